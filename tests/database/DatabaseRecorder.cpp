#include "DatabaseRecorder.h"

DatabaseRecorder::DatabaseRecorder(Database *database)
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
    record(database, &Database::lumoDtStatData, "stat");
    record(database, &Database::lumoDtCurrentData, "current");
    record(database, &Database::followFrom, "followFrom");
}

QStringList DatabaseRecorder::messages() const
{
    QStringList texts;
    for (const QVariantList &args : rows(QStringLiteral("logMessage")))
        texts << args.at(0).toString();
    return texts;
}

QVector<QVariantList> DatabaseRecorder::rows(const QString &signal) const
{
    QVector<QVariantList> result;
    for (const Event &event : events) {
        if (event.signal == signal)
            result << event.args;
    }
    return result;
}

int DatabaseRecorder::indexOf(const QString &signal, const QVariant &first, int from) const
{
    for (int i = from; i < events.size(); ++i) {
        if (events.at(i).signal == signal && (!first.isValid() || events.at(i).args.value(0) == first))
            return i;
    }
    return -1;
}
