#include "DatabaseRecorder.h"

DatabaseRecorder::DatabaseRecorder(Database *database)
{
    connect(database, &Database::logMessage, this, [this](const QString &text, LogMessageType type) {
        add(QStringLiteral("logMessage"), {text, int(type)});
    });
    connect(database, &Database::lumoPhaseData, this, [this](const QDateTime &t, int p, int l) {
        add(QStringLiteral("phase"), {t, p, l});
    });
    connect(database, &Database::lumoSgData, this, [this](const QDateTime &t, int sg, int state) {
        add(QStringLiteral("sg"), {t, sg, state});
    });
    connect(database, &Database::lumoStateData, this, [this](const QDateTime &t, int state) {
        add(QStringLiteral("state"), {t, state});
    });
    connect(database, &Database::lumoLogData, this,
            [this](const QDateTime &t, const QTime &dev, int typeId, const QString &type,
                   const QString &descr, int val, const QByteArray &data) {
                add(QStringLiteral("log"), {t, dev, typeId, type, descr, val, data});
            });
    connect(database, &Database::lumoDt15Data, this, [this](const QDateTime &t, double v, int index) {
        add(QStringLiteral("dt15"), {t, v, index});
    });
    connect(database, &Database::lumoDt15StateData, this, [this](const QDateTime &t, int v) {
        add(QStringLiteral("dt15state"), {t, v});
    });
    connect(database, &Database::lumoDt, this, [this](int id) { add(QStringLiteral("dt"), {id}); });
    connect(database, &Database::lumoDtStatData, this,
            [this](const QTime &t, double median, double min, double max, double q1, double q3) {
                add(QStringLiteral("stat"), {t, median, min, max, q1, q3});
            });
    connect(database, &Database::lumoDtCurrentData, this, [this](const QTime &t, double v) {
        add(QStringLiteral("current"), {t, v});
    });
    connect(database, &Database::complete, this, [this] {
        add(QStringLiteral("complete"), {});
        ++completes;
    });
}

QStringList DatabaseRecorder::messages() const
{
    QStringList texts;
    for (const Event &event : events) {
        if (event.signal == QLatin1String("logMessage"))
            texts << event.args.at(0).toString();
    }
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
        if (events.at(i).signal == signal
            && (!first.isValid() || (!events.at(i).args.isEmpty() && events.at(i).args.at(0) == first)))
            return i;
    }
    return -1;
}
