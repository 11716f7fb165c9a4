#ifndef DATABASERECORDER_H
#define DATABASERECORDER_H

#include "database/Database.h"

#include <QVariantList>
#include <QVector>

// Records what a worker reports, in order, in the thread of the test: the
// worker's signals arrive queued, as they reach a view.
class DatabaseRecorder : public QObject
{
public:
    struct Event
    {
        QString signal;
        QVariantList args;
    };

    QVector<Event> events;
    int completes = 0;

    explicit DatabaseRecorder(Database *database)
    {
        connect(database, &Database::logMessage, this, [this](const QString &text, LogMessageType type) {
            events.append({QStringLiteral("logMessage"), {text, int(type)}});
        });
        connect(database, &Database::complete, this, [this] {
            events.append({QStringLiteral("complete"), {}});
            ++completes;
        });
        record(database, &Database::lumoPhaseData, "phase");
        record(database, &Database::lumoSgData, "sg");
        record(database, &Database::lumoStateData, "state");
        record(database, &Database::lumoLogData, "log");
        record(database, &Database::lumoDt15Data, "dt15");
        record(database, &Database::lumoDt15StateData, "dt15state");
        record(database, &Database::lumoDt, "dt");
        record(database, &Database::followFrom, "followFrom");
    }

    QStringList messages() const
    {
        QStringList texts;
        for (const QVariantList &args : rows(QStringLiteral("logMessage")))
            texts << args.at(0).toString();
        return texts;
    }
    QVector<QVariantList> rows(const QString &signal) const
    {
        QVector<QVariantList> result;
        for (const Event &event : events) {
            if (event.signal == signal)
                result << event.args;
        }
        return result;
    }
    int count(const QString &signal) const { return rows(signal).size(); }
    int indexOf(const QString &signal) const
    {
        const auto it = std::find_if(events.cbegin(), events.cend(), [&](const Event &e) { return e.signal == signal; });
        return it == events.cend() ? -1 : int(it - events.cbegin());
    }
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
