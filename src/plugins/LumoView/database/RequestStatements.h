#ifndef REQUESTSTATEMENTS_H
#define REQUESTSTATEMENTS_H

#include "sql/SqlDialect.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

// The SQL of the worker's six requests, in both dialects. Identifiers are
// written back-quoted; the worker turns the quotes into double quotes for
// PostgreSQL just before execution. Every condition on a day is a half-open
// range of the time column, which its index can bound.
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

    explicit RequestStatements(bool postgres)
        : m_dialect(postgres ? SqlDialect::PostgreSql : SqlDialect::MySql)
    {
    }

    static bool isPostgres(const QString &driverName);
    // The column of a view's parameter number; out of range is intensity.
    static QString valueColumn(int parameter);
    static DetectorSelection detectorSelection(const QString &detectors, int parameter,
                                               bool fromDetectorsData = false);

    // `to` is the first day not read, here and in log().
    QStringList phases(uint objectId, const QDate &from, const QDate &to, bool withPromtact) const;
    QStringList log(uint objectId, const QDate &from, const QDate &to, uint ver) const;
    // `now` is the moment the request is made; it decides the previous-day part.
    QStringList dt15(uint objectId, const QString &detectors, int parameter, int dayType,
                     const QDate &date, int days, bool fromDetectorsData,
                     const QDateTime &now) const;
    QStringList detectors(uint objectId) const;
    QStringList dtStat(uint objectId, const QString &detectors, int parameter, quint8 weeks,
                       const QDate &date) const;
    // The events from `from` up to, not including, `to`.
    QStringList sg(uint objectId, const QDateTime &from, const QDateTime &to) const;

    // What a view that follows a period up to `to` reads of one of its
    // statements' rows at each step: how many rows there are from `window`
    // on and how many of them from `newest` on (one row, two numbers), and
    // the rows themselves from either time on, in the statement's order.
    // Times are taken as written (their date and time of day).
    struct FollowStep
    {
        QString count;
        QString fromNewest;
        QString fromWindow;
    };
    FollowStep followLog(uint objectId, const QDateTime &window, const QDateTime &newest, const QDate &to,
                         uint ver) const;
    // The phase runs (stream 0) or the control sources (stream 1).
    FollowStep followPhases(int stream, uint objectId, const QDateTime &window, const QDateTime &newest,
                            const QDate &to, bool withPromtact) const;
    FollowStep followSg(uint objectId, const QDateTime &window, const QDateTime &newest,
                        const QDateTime &to) const;
    // The selected period's rows of a detector-data request.
    FollowStep followDt15(uint objectId, const QString &detectors, int parameter, bool fromDetectorsData,
                          const QDateTime &window, const QDateTime &newest, const QDate &to) const;

private:
    QString logFrom(uint objectId, const QString &from, const QString &to, uint ver) const;
    QString dt15From(uint objectId, const QString &detectors, int parameter, bool fromDetectorsData,
                     const QString &range) const;
    // A date-time literal of the time as written.
    QString writtenTime(const QDateTime &time) const;
    // The count statement over rows of `from` whose time is `column`.
    FollowStep followOf(const QString &from, const QString &column, const QDateTime &window,
                        const QDateTime &newest, const QString &to) const;

    SqlDialect m_dialect;
};

#endif // REQUESTSTATEMENTS_H
