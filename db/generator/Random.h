#ifndef DBGEN_RANDOM_H
#define DBGEN_RANDOM_H

#include <cstdint>
#include <random>

// Random numbers from one std::mt19937 with explicit arithmetic only, no
// std distributions: the same seed gives byte-identical output with any
// standard library.
extern std::mt19937 g_rng;

uint32_t rnd();
// integer in [lo, hi]
int irand(int lo, int hi);
// real in [0, 1)
double frand();
double frange(double lo, double hi);
// true with probability p
bool chance(double p);
// approx. normal(0,1) from the sum of 4 uniforms
double noise();

#endif // DBGEN_RANDOM_H
