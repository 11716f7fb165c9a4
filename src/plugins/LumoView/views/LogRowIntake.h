#ifndef LOGROWINTAKE_H
#define LOGROWINTAKE_H

#include <QByteArray>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QVector>

class QDateTime;
class QTime;

// Rows of the event log on their way from the worker's thread to the GUI
// thread. The worker leaves each row here as it reads it, without a queued
// call per row; the GUI thread takes them a batch at a time. `rowsWaiting`
// tells the owner's thread once whenever rows wait after it took the last.
class LogRowIntake : public QObject
{
    Q_OBJECT
public:
    struct Row
    {
        int timeMsecs; // of the day, -1 without a time
        int deviceTimeMsecs;
        int typeId;
        int value;
        QString type;
        QString description;
        QByteArray data;
    };

    explicit LogRowIntake(QObject *parent = nullptr);
    ~LogRowIntake() override;

    // Any thread.
    void push(const QDateTime &time, const QTime &deviceTime, int typeId, const QString &type,
              const QString &description, int value, const QByteArray &data);
    // The rows waiting, the oldest first, at most `maxRows` of them.
    QVector<Row> take(int maxRows);
    bool isEmpty() const;
    void clear();

signals:
    void rowsWaiting();

private:
    mutable QMutex m_mutex;
    QVector<Row> m_rows;
    int m_first = 0;
};

Q_DECLARE_TYPEINFO(LogRowIntake::Row, Q_MOVABLE_TYPE);

#endif // LOGROWINTAKE_H
