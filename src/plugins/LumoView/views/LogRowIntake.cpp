#include "LogRowIntake.h"

#include <QDateTime>
#include <QMutexLocker>

LogRowIntake::LogRowIntake(QObject *parent)
    : QObject(parent)
{
}

LogRowIntake::~LogRowIntake()
{
    // Under the lock the worker left its rows with.
    clear();
}

void LogRowIntake::push(const QDateTime &time, const QTime &deviceTime, int typeId, const QString &type,
                        const QString &description, int value, const QByteArray &data)
{
    const QTime clock = time.time();
    Row row{clock.isValid() ? clock.msecsSinceStartOfDay() : -1,
            deviceTime.isValid() ? deviceTime.msecsSinceStartOfDay() : -1,
            typeId, value, type, description, data};
    bool first;
    {
        QMutexLocker locker(&m_mutex);
        first = m_first == m_rows.size();
        m_rows.append(std::move(row));
    }
    if (first)
        emit rowsWaiting();
}

QVector<LogRowIntake::Row> LogRowIntake::take(int maxRows)
{
    QMutexLocker locker(&m_mutex);
    const int count = qMin(maxRows, m_rows.size() - m_first);
    QVector<Row> rows;
    if (m_first == 0 && count == m_rows.size()) {
        rows.swap(m_rows);
    } else {
        rows.reserve(count);
        for (int i = m_first; i < m_first + count; ++i)
            rows.append(std::move(m_rows[i]));
        m_first += count;
        if (m_first == m_rows.size()) {
            m_rows.clear();
            m_first = 0;
        }
    }
    return rows;
}

bool LogRowIntake::isEmpty() const
{
    QMutexLocker locker(&m_mutex);
    return m_first == m_rows.size();
}

void LogRowIntake::clear()
{
    QMutexLocker locker(&m_mutex);
    m_rows.clear();
    m_first = 0;
}
