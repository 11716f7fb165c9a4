#ifndef REQUESTROWS_H
#define REQUESTROWS_H

#include <QMap>
#include <QString>
#include <QTime>
#include <QVector>

class Database;
class QSqlQuery;
class RowPacer;
class SgEventDecoder;

// What the worker makes of the rows of each request kind (the statements are
// RequestStatements'): the message posted before each statement and the
// signal each row becomes. Signals are emitted on the worker in its thread.
class RequestRows
{
public:
    RequestRows(Database *worker, int kind, int statements, SgEventDecoder *decoder);

    // Posted before statement `statement` runs.
    QString message(int statement) const;
    // One row of statement `statement`. False when the request ends here:
    // the row cannot be decoded, which the user has been told.
    bool handle(int statement, const QSqlQuery &row);
    // After the last row of statement `statement`: what is computed from
    // all of them, paced like rows. False when the user stopped.
    bool finishStatement(int statement, RowPacer &pacer);
    // After the completion message of a request that ran to its end.
    void finishRequest();

private:
    // Detector data: 0 the characteristic statements, 1 the selected
    // period, 2 the previous day.
    int dt15Index(int statement) const;

    Database *worker;
    const int kind;
    const int statements;
    SgEventDecoder *decoder;
    bool anyRow = false;
    // Statistics: the history's values per time of day.
    QMap<QTime, QVector<double>> history;
};

#endif // REQUESTROWS_H
