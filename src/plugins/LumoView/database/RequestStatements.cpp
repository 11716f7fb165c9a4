#include "RequestStatements.h"

#include "decoding/EventCatalogue.h"

#include <algorithm>

namespace {

const QString timeColumn = QStringLiteral("`time`");

QString date(const QDate &d)
{
    return d.toString(QStringLiteral("yyyy-MM-dd"));
}

} // namespace

bool RequestStatements::isPostgres(const QString &driverName)
{
    return SqlDialect::forDriver(driverName).isPostgres();
}

QString RequestStatements::valueColumn(int parameter)
{
    static const char *const columns[] = {"intensity", "occupancy", "speed"};
    return QLatin1String(columns[parameter < 0 || parameter > 2 ? 0 : parameter]);
}

RequestStatements::DetectorSelection
RequestStatements::detectorSelection(const QString &detectors, int parameter,
                                     bool fromDetectorsData)
{
    // The selection reaches the statement as text: only numbers may pass.
    QStringList numbers;
    const QStringList parts = detectors.split(QLatin1Char('+'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        bool ok = false;
        const int number = part.trimmed().toInt(&ok);
        if (ok)
            numbers << QString::number(number);
    }

    if (parameter < 0 || parameter > 2)
        parameter = 0;
    const QString column = valueColumn(parameter);
    DetectorSelection selection;
    selection.several = numbers.size() > 1;
    if (numbers.isEmpty())
        selection.condition = QStringLiteral("detectorid in (NULL)");
    else if (!selection.several)
        selection.condition = QStringLiteral("detectorid =") + numbers.first();
    else
        selection.condition = QStringLiteral("detectorid in (") + numbers.join(QLatin1Char(','))
                              + QLatin1Char(')');

    // Vehicles of a record scaled to an hourly rate: a division in floating
    // point (MySQL's decimal division keeps only a few decimals), and no rate
    // at all for a record without an interval.
    const QString rawIntensity = QStringLiteral("cars*3600e0/nullif(`interval`,0)");
    if (!selection.several) {
        selection.state = QStringLiteral("state");
        selection.value = fromDetectorsData && parameter == 0
                              ? rawIntensity + QStringLiteral(" as intensity")
                              : column;
    } else {
        const QString function = parameter == 0 ? QStringLiteral("sum(%1)") : QStringLiteral("avg(%1)");
        // The alias goes after the aggregate: no dialect accepts it inside.
        selection.value = fromDetectorsData && parameter == 0
                              ? function.arg(rawIntensity) + QStringLiteral(" as intensity")
                              : function.arg(column);
        selection.grouping = QStringLiteral("GROUP BY `time`");
        // One row per time stamp over all the detectors: grouping by state
        // as well would split it whenever their states differ. Where no
        // detector has a state it is unknown: MySQL's bit_or of only NULLs
        // is 0, which would read as "no failure".
        selection.state = QStringLiteral("case when count(state)>0 then bit_or(state) end");
    }
    return selection;
}

QStringList RequestStatements::phases(uint objectId, const QDate &from, const QDate &to,
                                      bool withPromtact) const
{
    const QString range = SqlDialect::halfOpen(timeColumn, m_dialect.literal(from), m_dialect.literal(to));
    return {
        QStringLiteral("select `time`,phaseid,%1 from phasesdata where objectid=%2 and %3 "
                       "order by `time`,phaseid")
            .arg(withPromtact ? QStringLiteral("length+promtact") : QStringLiteral("length"))
            .arg(objectId)
            .arg(range),
        QStringLiteral("select `time`,value from events where objectid=%1 and %2 and type=2 "
                       "order by `time`")
            .arg(objectId)
            .arg(range),
    };
}

QStringList RequestStatements::log(uint objectId, const QDate &from, const QDate &to,
                                   uint ver) const
{
    return {logFrom(objectId, m_dialect.literal(from), m_dialect.literal(to), ver)};
}

QString RequestStatements::logFrom(uint objectId, const QString &from, const QString &to, uint ver) const
{
    if (logGenerationHasSource(ver)) {
        return QStringLiteral("select events.`time`,events.deviceTime,events.`type`,"
                              "eventtypes.description,NULL,events.value,events.`data` ")
               + QString(6, QLatin1Char('\t'))
               + QStringLiteral("FROM eventtypes INNER JOIN events ON eventtypes.id = events.type "
                                "WHERE events.objectId = %1 ")
                     .arg(objectId)
               + QString(4, QLatin1Char('\t'))
               + QStringLiteral("and %1 order by events.`time`,events.`index`")
                     .arg(SqlDialect::halfOpen(QStringLiteral("events.`time`"), from, to));
    }
    // A PostgreSQL CALL returns at most one row, so there the log comes from
    // a set-returning function of the same name. The generation is passed as
    // a plain integer: 0x5FFFF does not fit a smallint.
    const QString text = m_dialect.isPostgres()
                             ? QStringLiteral("select * from \"ShowLog1\"(%1,%2,%3,%4)")
                             : QStringLiteral("call ShowLog1(%1,%2,%3,%4)");
    return text.arg(objectId).arg(from, to).arg(ver);
}

QStringList RequestStatements::dt15(uint objectId, const QString &detectors, int parameter,
                                    int dayType, const QDate &day, int days,
                                    bool fromDetectorsData, const QDateTime &now) const
{
    const QString table = fromDetectorsData ? QStringLiteral("detectorsdata") : QStringLiteral("dt15");
    const DetectorSelection profile = detectorSelection(detectors, parameter);
    QStringList statements;

    for (int i = 0; i < days; ++i) {
        const QDate d = day.addDays(i);
        const int type = days == 1 ? dayType : d.dayOfWeek() + 9;
        const QString text =
            m_dialect.isPostgres()
                ? QStringLiteral("select '%1 00:00:00'::timestamp + `time` as datetime,%2 "
                                 "from dt15p where objectid=%3 and %4 and daytype=%5 %6 "
                                 "order by datetime")
                : QStringLiteral("select cast(ADDTIME('%1 00:00:00',`time`) as datetime),%2 "
                                 "from dt15p where objectid=%3 and %4 and daytype=%5 %6 "
                                 "order by `time`");
        statements << text.arg(date(d), profile.value)
                          .arg(objectId)
                          .arg(profile.condition)
                          .arg(type)
                          .arg(profile.grouping);
    }

    // The selected period, a day or a week.
    statements << dt15From(objectId, detectors, parameter, fromDetectorsData,
                           m_dialect.dayRange(timeColumn, day, day.addDays(std::max(days, 1) - 1)));
    const DetectorSelection selection = detectorSelection(detectors, parameter, fromDetectorsData);

    if (day == now.date()) {
        // Yesterday from the current quarter of an hour up to today's midnight.
        const QTime time = now.time();
        // As written: a local time would be invalid, and written as nothing,
        // in the hour that the local clock skips.
        const QDateTime start(day.addDays(-1), QTime(time.hour(), time.minute() / 15 * 15, 0), Qt::UTC);
        const QString text =
            m_dialect.isPostgres()
                ? QStringLiteral("select `time` + interval '1 day',%1 from %5 where objectid=%2 and %3 "
                                 "and %4 order by `time`")
                : QStringLiteral("select ADDDATE(`time`,interval 1 day),%1 from %5 where objectid=%2 "
                                 "and %3 and %4 order by `time`");
        statements << text.arg(selection.value)
                          .arg(objectId)
                          .arg(selection.condition,
                               SqlDialect::halfOpen(timeColumn, m_dialect.literal(start), m_dialect.literal(day))
                                   + QLatin1Char(' ') + selection.grouping,
                               table);
    } else {
        statements << QStringLiteral("select NULL,NULL from %1 where false").arg(table);
    }
    return statements;
}

// The selected period's rows within `range`; the state column comes last.
QString RequestStatements::dt15From(uint objectId, const QString &detectors, int parameter,
                                    bool fromDetectorsData, const QString &range) const
{
    const QString table = fromDetectorsData ? QStringLiteral("detectorsdata") : QStringLiteral("dt15");
    const DetectorSelection selection = detectorSelection(detectors, parameter, fromDetectorsData);
    return QStringLiteral("select `time`,%1,%6 from %5 where objectid=%2 and %3 and %4 order by `time`")
        .arg(selection.value)
        .arg(objectId)
        .arg(selection.condition, range + QLatin1Char(' ') + selection.grouping, table, selection.state);
}

QStringList RequestStatements::detectors(uint objectId) const
{
    return {QStringLiteral("select id from detectors where collect=%1 and objectid=%2 order by id")
                .arg(m_dialect.boolean(true))
                .arg(objectId)};
}

QStringList RequestStatements::dtStat(uint objectId, const QString &detectors, int parameter,
                                      quint8 weeks, const QDate &day) const
{
    const DetectorSelection selection = detectorSelection(detectors, parameter);
    // The same weekday over the weeks, the selected day included: one range
    // per day, so that the index reads those days only.
    QStringList days;
    for (int week = weeks; week >= 0; --week) {
        const QDate d = day.addDays(-7 * week);
        days << m_dialect.dayRange(timeColumn, d, d);
    }
    const QString time = m_dialect.timeOfDay(timeColumn);
    const QString history = QStringLiteral("SELECT %1 as tm,%2 FROM dt15 WHERE objectid=%3 and %4 and (%5) %6 "
                                           "ORDER BY tm,(%2) is null,%2");
    const QString selected = QStringLiteral("SELECT %1 as tm,%2,%7 FROM dt15 WHERE objectid=%3 and %4 and %5 %6 "
                                            "ORDER BY tm");
    return {
        history.arg(time, selection.value)
            .arg(objectId)
            .arg(selection.condition, days.join(QLatin1String(" or ")), selection.grouping),
        selected.arg(time, selection.value)
            .arg(objectId)
            .arg(selection.condition, m_dialect.dayRange(timeColumn, day, day), selection.grouping,
                 selection.state),
    };
}

QStringList RequestStatements::sg(uint objectId, const QDateTime &from, const QDateTime &to) const
{
    const QString isoFormat = QStringLiteral("''yyyy-MM-ddThh:mm:ss''");
    return {QStringLiteral("select `time`,data from events where objectid=%1 and %2 and `type`=7 and "
                           "`value`=5 order by `time`,`index`")
                .arg(objectId)
                .arg(SqlDialect::halfOpen(timeColumn, QDateTime(from.date(), from.time(), Qt::UTC).toString(isoFormat),
                                          QDateTime(to.date(), to.time(), Qt::UTC).toString(isoFormat)))};
}

QString RequestStatements::writtenTime(const QDateTime &time) const
{
    // Built from the date and time of day: a local time that the clock
    // skips has no valid local date-time, yet was written so.
    return m_dialect.literal(QDateTime(time.date(), time.time(), Qt::UTC));
}

RequestStatements::FollowStep RequestStatements::followOf(const QString &from, const QString &column,
                                                           const QDateTime &window, const QDateTime &newest,
                                                           const QString &to) const
{
    return {QStringLiteral("select count(*),coalesce(sum(case when %1 >= %2 then 1 else 0 end),0) from %3 and %4")
                .arg(column, writtenTime(newest), from,
                     SqlDialect::halfOpen(column, writtenTime(window), to)),
            QString(), QString()};
}

RequestStatements::FollowStep RequestStatements::followLog(uint objectId, const QDateTime &window,
                                                           const QDateTime &newest, const QDate &to,
                                                           uint ver) const
{
    // The rows ShowLog1 gives are those of events, whatever their type; the
    // older generations' statement takes those of a known type only.
    const QString from = logGenerationHasSource(ver)
        ? QStringLiteral("eventtypes INNER JOIN events ON eventtypes.id = events.type where events.objectId = %1")
              .arg(objectId)
        : QStringLiteral("events where objectid = %1").arg(objectId);
    FollowStep step = followOf(from, QStringLiteral("events.`time`"), window, newest, m_dialect.literal(to));
    step.fromNewest = logFrom(objectId, writtenTime(newest), m_dialect.literal(to), ver);
    step.fromWindow = logFrom(objectId, writtenTime(window), m_dialect.literal(to), ver);
    return step;
}

RequestStatements::FollowStep RequestStatements::followPhases(int stream, uint objectId, const QDateTime &window,
                                                              const QDateTime &newest, const QDate &to,
                                                              bool withPromtact) const
{
    const QString from = stream == 0 ? QStringLiteral("phasesdata where objectid=%1").arg(objectId)
                                     : QStringLiteral("events where objectid=%1 and type=2").arg(objectId);
    FollowStep step = followOf(from, timeColumn, window, newest, m_dialect.literal(to));
    const auto rows = [&](const QDateTime &since) {
        const QString range = SqlDialect::halfOpen(timeColumn, writtenTime(since), m_dialect.literal(to));
        return stream == 0
            ? QStringLiteral("select `time`,phaseid,%1 from phasesdata where objectid=%2 and %3 order by `time`,phaseid")
                  .arg(withPromtact ? QStringLiteral("length+promtact") : QStringLiteral("length"))
                  .arg(objectId)
                  .arg(range)
            : QStringLiteral("select `time`,value from events where objectid=%1 and %2 and type=2 order by `time`")
                  .arg(objectId)
                  .arg(range);
    };
    step.fromNewest = rows(newest);
    step.fromWindow = rows(window);
    return step;
}

RequestStatements::FollowStep RequestStatements::followSg(uint objectId, const QDateTime &window,
                                                          const QDateTime &newest, const QDateTime &to) const
{
    FollowStep step = followOf(QStringLiteral("events where objectid=%1 and `type`=7 and `value`=5").arg(objectId),
                               timeColumn, window, newest, writtenTime(to));
    step.fromNewest = sg(objectId, newest, to).first();
    step.fromWindow = sg(objectId, window, to).first();
    return step;
}

RequestStatements::FollowStep RequestStatements::followDt15(uint objectId, const QString &detectors, int parameter,
                                                            bool fromDetectorsData, const QDateTime &window,
                                                            const QDateTime &newest, const QDate &to) const
{
    const QString table = fromDetectorsData ? QStringLiteral("detectorsdata") : QStringLiteral("dt15");
    const DetectorSelection selection = detectorSelection(detectors, parameter, fromDetectorsData);
    // Several detectors give one row per time stamp.
    const QString from = selection.several
        ? QStringLiteral("(select `time` from %1 where objectid=%2 and %3 and %4 %5) stamps where true")
              .arg(table)
              .arg(objectId)
              .arg(selection.condition,
                   SqlDialect::halfOpen(timeColumn, writtenTime(window), m_dialect.literal(to)), selection.grouping)
        : QStringLiteral("%1 where objectid=%2 and %3").arg(table).arg(objectId).arg(selection.condition);
    FollowStep step = followOf(from, timeColumn, window, newest, m_dialect.literal(to));
    const auto rows = [&](const QDateTime &since) {
        return dt15From(objectId, detectors, parameter, fromDetectorsData,
                        SqlDialect::halfOpen(timeColumn, writtenTime(since), m_dialect.literal(to)));
    };
    step.fromNewest = rows(newest);
    step.fromWindow = rows(window);
    return step;
}
