#include "FutureCut.h"

#include <QDate>
#include <QDateTime>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Seconds since Julian day 0, so that generators with different epochs agree.
bool g_active = false;
qint64 g_now = 0;

qint64 absoluteSeconds(const QDate &date, int secondOfDay)
{
    return date.toJulianDay() * 86400 + secondOfDay;
}

int columnOf(const std::vector<const char *> &columns, const char *name)
{
    for (size_t i = 0; i < columns.size(); ++i) {
        if (std::strcmp(columns[i], name) == 0)
            return int(i);
    }
    return -1;
}

} // namespace

void FutureCut::setNow(const QDateTime &now)
{
    g_active = now.isValid();
    if (g_active)
        g_now = absoluteSeconds(now.date(), now.time().msecsSinceStartOfDay() / 1000);
}

QDateTime FutureCut::timeFromText(const QString &text)
{
    QString normal = text.trimmed();
    normal.replace(QLatin1Char('T'), QLatin1Char(' '));
    return QDateTime::fromString(normal, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

FutureCut::FutureCut(const std::string &table, const std::vector<const char *> &columns)
{
    if (table == "events") {
        m_timeColumn = columnOf(columns, "time");
    } else if (table == "phasesdata") {
        m_timeColumn = columnOf(columns, "time");
        m_periodColumns = {columnOf(columns, "length"), columnOf(columns, "promtact")};
    } else if (table == "dt15") {
        m_timeColumn = columnOf(columns, "time");
        m_fixedPeriod = 900;
    } else if (table == "detectorsdata") {
        // One record a minute whatever its interval: the minute's record is
        // written when the minute is over.
        m_timeColumn = columnOf(columns, "time");
        m_fixedPeriod = 60;
    }
}

bool FutureCut::keeps(const std::vector<std::string> &values) const
{
    if (!g_active || m_timeColumn < 0)
        return true;
    // 'yyyy-MM-dd hh:mm:ss' with an optional fraction, which rounds up.
    int y, mo, d, h, mi, s;
    const char *text = values[size_t(m_timeColumn)].c_str();
    if (std::sscanf(text, "'%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s) != 6) {
        fprintf(stderr, "lumoview-dbgen: internal error: time stamp %s\n", text);
        std::exit(3);
    }
    qint64 end = absoluteSeconds(QDate(y, mo, d), h * 3600 + mi * 60 + s) + m_fixedPeriod;
    if (std::strchr(text, '.'))
        ++end;
    for (int column : m_periodColumns)
        end += std::atoll(values[size_t(column)].c_str());
    return end <= g_now;
}
