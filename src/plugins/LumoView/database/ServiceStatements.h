#ifndef SERVICESTATEMENTS_H
#define SERVICESTATEMENTS_H

#include "sql/SqlDialect.h"

#include <QString>

// The SQL that the fault chart and the health history send through the
// asynchronous service, each `?` a value bound at every refresh. Identifiers
// are back-quoted as in RequestStatements; the service quotes them for
// PostgreSQL.
class ServiceStatements
{
public:
    explicit ServiceStatements(const SqlDialect &dialect) : m_dialect(dialect) {}

    // The object's detectors, by number.
    QString detectorList(uint objectId) const;
    // A detector's fault parameters, its own and the global ones (detector).
    QString faultParameters(uint objectId) const;
    // The upper and lower intensity limits of the day type of a weekday
    // (detector, weekday 1 to 7).
    QString upperLimits(uint objectId) const;
    QString lowerLimits(uint objectId) const;
    // A detector's raw records of a day (detector, the day, the next day).
    QString faultRecords(uint objectId) const;
    // A detector's daily health over a range of days (first day, last day,
    // detector).
    QString health(uint objectId) const;

private:
    QString limits(const char *table, uint objectId) const;

    SqlDialect m_dialect;
};

#endif // SERVICESTATEMENTS_H
