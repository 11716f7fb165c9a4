#include "SqlText.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <cstdio>
#include <cstdlib>

Dialect g_dialect = Dialect::Pg;
qint64 g_jd0 = 0;
const std::string kNull = "NULL";

namespace {
std::string g_out;
}

void flushOut()
{
    fwrite(g_out.data(), 1, g_out.size(), stdout);
    g_out.clear();
}

void put(const std::string &s)
{
    g_out += s;
    if (g_out.size() > (1 << 20))
        flushOut();
}

std::string ident(const char *name)
{
    return g_dialect == Dialect::Pg ? std::string("\"") + name + "\"" : std::string("`") + name + "`";
}

std::string sqlString(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    std::string s = "'";
    for (char c : utf8) {
        if (c == '\\') {
            fprintf(stderr, "lumoview-dbgen: internal error: backslash in a string literal\n");
            std::exit(3);
        }
        if (c == '\'')
            s += "''";
        else
            s += c;
    }
    s += "'";
    return s;
}

std::string sqlBytes(const QByteArray &bytes)
{
    const std::string hex = bytes.toHex().toStdString();
    if (g_dialect == Dialect::Pg)
        return "decode('" + hex + "','hex')";
    if (bytes.isEmpty())
        return "''";
    return "X'" + hex + "'";
}

std::string sqlInt(long long v) { return std::to_string(v); }

std::string sqlDouble(double v, int decimals)
{
    char buf[64];
    snprintf(buf, sizeof buf, "%.*f", decimals, v);
    std::string s(buf);
    if (s == "-0" || s.find_first_not_of("-0.") == std::string::npos)
        s = decimals > 0 ? "0." + std::string(size_t(decimals), '0') : "0";
    return s;
}

std::string sqlBool(bool b) { return b ? "TRUE" : "FALSE"; }

std::string sqlDate(qint64 jd)
{
    int y, m, d;
    QDate::fromJulianDay(jd).getDate(&y, &m, &d);
    char buf[32];
    snprintf(buf, sizeof buf, "'%04d-%02d-%02d'", y, m, d);
    return buf;
}

std::string sqlTimestamp(qint64 secs)
{
    const qint64 jd = g_jd0 + secs / 86400;
    const int sod = int(secs % 86400);
    int y, m, d;
    QDate::fromJulianDay(jd).getDate(&y, &m, &d);
    char buf[48];
    snprintf(buf, sizeof buf, "'%04d-%02d-%02d %02d:%02d:%02d'", y, m, d, sod / 3600, sod / 60 % 60, sod % 60);
    return buf;
}

std::string sqlTimeOfDay(int sod)
{
    sod = ((sod % 86400) + 86400) % 86400;
    char buf[24];
    snprintf(buf, sizeof buf, "'%02d:%02d:%02d'", sod / 3600, sod / 60 % 60, sod % 60);
    return buf;
}
