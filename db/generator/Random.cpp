#include "Random.h"

std::mt19937 g_rng;

uint32_t rnd() { return uint32_t(g_rng()); }
int irand(int lo, int hi) { return lo + int(rnd() % uint32_t(hi - lo + 1)); }
double frand() { return double(rnd()) / 4294967296.0; }
double frange(double lo, double hi) { return lo + (hi - lo) * frand(); }
bool chance(double p) { return frand() < p; }
double noise() { return (frand() + frand() + frand() + frand() - 2.0) * 1.7320508; }
