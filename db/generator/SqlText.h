#ifndef DBGEN_SQLTEXT_H
#define DBGEN_SQLTEXT_H

#include <QtGlobal>

#include <string>

class QByteArray;
class QString;

// The SQL the generator writes: literals in the chosen dialect and the
// buffered standard output they go to.

enum class Dialect { Pg, MySql };

extern Dialect g_dialect;

// Appends to the output buffer, which is written out once it holds 1 MiB.
void put(const std::string &s);
// Writes the buffer to stdout (stdio still buffers it: fflush to send it).
void flushOut();

std::string ident(const char *name);
std::string sqlString(const QString &text);
std::string sqlBytes(const QByteArray &bytes);
std::string sqlInt(long long v);
std::string sqlDouble(double v, int decimals);
std::string sqlBool(bool b);
extern const std::string kNull;

// Time: seconds since the epoch day g_jd0 (a Julian day) 00:00:00.
extern qint64 g_jd0;

std::string sqlDate(qint64 jd);
std::string sqlTimestamp(qint64 secs);
std::string sqlTimeOfDay(int sod);

#endif // DBGEN_SQLTEXT_H
