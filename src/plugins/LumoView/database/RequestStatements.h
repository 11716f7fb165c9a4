#ifndef REQUESTSTATEMENTS_H
#define REQUESTSTATEMENTS_H

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

// The SQL of the worker's six requests, in both dialects. Identifiers are
// written back-quoted; the worker turns the quotes into double quotes for
// PostgreSQL just before execution.
class RequestStatements
{
public:
    // How a detector selection such as "5" or "1+2+3" reads in SQL.
    struct DetectorSelection
    {
        QString condition; // detectorid =5, detectorid in (1,2,3)
        QString value;     // intensity, sum(intensity), avg(speed)
        QString grouping;  // empty, or GROUP BY `time`
        QString state;     // state, or bit_or(state) over several detectors
        bool several = false;
    };

    explicit RequestStatements(bool postgres) : m_postgres(postgres) {}

    static bool isPostgres(const QString &driverName);
    // The column of a view's parameter number; out of range is intensity.
    static QString valueColumn(int parameter);
    static DetectorSelection detectorSelection(const QString &detectors, int parameter,
                                               bool fromDetectorsData = false);

    QStringList phases(uint objectId, const QDate &from, const QDate &to, bool withPromtact) const;
    QStringList log(uint objectId, const QDate &from, const QDate &to, uint ver) const;
    // `now` is the moment the request is made; it decides the previous-day part.
    QStringList dt15(uint objectId, const QString &detectors, int parameter, int dayType,
                     const QDate &date, int days, bool fromDetectorsData,
                     const QDateTime &now) const;
    QStringList detectors(uint objectId) const;
    QStringList dtStat(uint objectId, const QString &detectors, int parameter, quint8 weeks,
                       const QDate &date) const;
    QStringList sg(uint objectId, const QDateTime &from, const QDateTime &to) const;

private:
    bool m_postgres;
};

#endif // REQUESTSTATEMENTS_H
