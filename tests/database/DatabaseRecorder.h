#ifndef DATABASERECORDER_H
#define DATABASERECORDER_H

#include "database/Database.h"

#include <QVariantList>
#include <QVector>

// Records what a worker reports, in order, in the thread of the test: the
// worker's signals arrive queued, as they reach a view.
class DatabaseRecorder : public QObject
{
    Q_OBJECT
public:
    struct Event
    {
        QString signal;
        QVariantList args;
    };

    explicit DatabaseRecorder(Database *database);

    QVector<Event> events;
    int completes = 0;

    QStringList messages() const;
    QVector<QVariantList> rows(const QString &signal) const;
    int count(const QString &signal) const { return rows(signal).size(); }
    int indexOf(const QString &signal, const QVariant &first = QVariant(), int from = 0) const;
    void clear()
    {
        events.clear();
        completes = 0;
    }

private:
    template<typename... Args>
    void record(Database *database, void (Database::*signal)(Args...), const char *name)
    {
        connect(database, signal, this, [this, name](Args... args) {
            events.append({QString::fromLatin1(name), {QVariant::fromValue(args)...}});
        });
    }
};

#endif // DATABASERECORDER_H
