#include "LiveOptions.h"

#include "FutureCut.h"

bool LiveOptions::parse(const QStringList &arguments, LiveOptions *options, QString *error)
{
    QString dialect;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (a == QLatin1String("--live"))
            continue;
        if (i + 1 >= arguments.size()) {
            *error = QStringLiteral("missing value for %1").arg(a);
            return false;
        }
        const QString value = arguments.at(++i);
        bool ok = true;
        auto number = [&](qint64 least) {
            const qint64 n = value.toLongLong(&ok);
            ok = ok && n >= least;
            return n;
        };
        if (a == QLatin1String("--dialect")) {
            dialect = value;
        } else if (a == QLatin1String("--object")) {
            options->object = int(number(1));
        } else if (a == QLatin1String("--groups")) {
            options->groups = int(number(1));
        } else if (a == QLatin1String("--detectors")) {
            options->detectors = int(number(1));
        } else if (a == QLatin1String("--since")) {
            options->since = FutureCut::timeFromText(value);
            ok = options->since.isValid();
        } else if (a == QLatin1String("--rate")) {
            options->rate = value.toDouble(&ok);
            ok = ok && options->rate > 0 && options->rate <= 10000;
        } else if (a == QLatin1String("--late-every")) {
            options->lateEvery = int(number(0));
        } else if (a == QLatin1String("--duration")) {
            options->duration = int(number(0));
        } else if (a == QLatin1String("--first-index")) {
            options->firstIndex = number(0);
        } else if (a == QLatin1String("--record")) {
            options->record = value;
        } else if (a == QLatin1String("--seed")) {
            options->seed = value.toUInt(&ok);
        } else {
            *error = QStringLiteral("unknown argument %1 for --live").arg(a);
            return false;
        }
        if (!ok) {
            *error = QStringLiteral("%1 does not take %2").arg(a, value);
            return false;
        }
    }
    if (dialect == QLatin1String("pg")) {
        options->dialect = Dialect::Pg;
    } else if (dialect == QLatin1String("mysql")) {
        options->dialect = Dialect::MySql;
    } else {
        *error = QStringLiteral("--dialect must be pg or mysql");
        return false;
    }
    return true;
}
