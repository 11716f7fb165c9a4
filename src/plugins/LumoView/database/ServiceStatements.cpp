#include "ServiceStatements.h"

QString ServiceStatements::detectorList(uint objectId) const
{
    return QStringLiteral("select id from detectors where objectid=%1 order by id").arg(objectId);
}

// The parameters keep the detector's own values when globdt is empty.
QString ServiceStatements::faultParameters(uint objectId) const
{
    return QStringLiteral("select detectors.useGlobalParam,detectors.alpha,detectors.beta,detectors.tp,detectors.kc,"
                          "globdt.alpha,globdt.beta,globdt.tp,globdt.kc from detectors left join globdt on true "
                          "where detectors.objectid=%1 and detectors.id=?")
        .arg(objectId);
}

// A weekday may belong to several day types: the lowest one counts, so that
// the limits do not depend on the order the rows happen to be stored in.
QString ServiceStatements::limits(const char *table, uint objectId) const
{
    return QStringLiteral("select time_offset,`limit` from %1 where objectid=%2 and detectorid=? and "
                          "dayType=(select dayType from analysisdaytypes where weekday=? order by dayType limit 1)")
        .arg(QLatin1String(table))
        .arg(objectId);
}

QString ServiceStatements::upperLimits(uint objectId) const
{
    return limits("uplimits", objectId);
}

QString ServiceStatements::lowerLimits(uint objectId) const
{
    return limits("downlimits", objectId);
}

// The records come back in no particular order.
QString ServiceStatements::faultRecords(uint objectId) const
{
    const QString time = QStringLiteral("`time`");
    return QStringLiteral("select occupancy,cars,`interval`,%1 from detectorsdata where objectid=%2 and "
                          "detectorid=? and %3")
        .arg(m_dialect.timeOfDay(time))
        .arg(objectId)
        .arg(SqlDialect::halfOpen(time, QStringLiteral("?"), QStringLiteral("?")));
}

// Without "order by" the days come back in storage order.
QString ServiceStatements::health(uint objectId) const
{
    return QStringLiteral("select date,health from dthealth where date between ? and ? "
                          "and objectid=%1 and detectorid=? order by date")
        .arg(objectId);
}
