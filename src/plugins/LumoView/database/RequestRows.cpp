#include "RequestRows.h"

#include "database/BoxStatistics.h"
#include "database/Database.h"
#include "database/RowPacer.h"
#include "database/SgEventDecoder.h"

#include <QSqlQuery>

#include <algorithm>

namespace {

// A state column: -1 for none or not a number.
int stateValue(const QVariant &value)
{
    if (value.isNull())
        return -1;
    bool ok = false;
    const int state = value.toInt(&ok);
    return ok ? state : -1;
}

} // namespace

RequestRows::RequestRows(Database *worker, int kind, int statements, SgEventDecoder *decoder)
    : worker(worker), kind(kind), statements(statements), decoder(decoder)
{
}

int RequestRows::dt15Index(int statement) const
{
    return statement < statements - 2 ? 0 : (statement == statements - 2 ? 1 : 2);
}

QString RequestRows::message(int statement) const
{
    switch (kind) {
    case Database::PhasesRequest:
        return statement == 0 ? Database::tr("Obtaining data on the phases")
                              : Database::tr("Obtaining data on the states");
    case Database::LogRequest:
        return Database::tr("Obtaining log data");
    case Database::Dt15Request: {
        static const QString texts[] = {Database::tr("Obtaining data for the characteristic period"),
                                        Database::tr("Obtaining data for the selected period"),
                                        Database::tr("Obtaining data for the previous day")};
        return texts[dt15Index(statement)];
    }
    case Database::DetectorsRequest:
        return Database::tr("Obtaining list of detectors");
    case Database::DtStatRequest:
        return statement == 0 ? Database::tr("Obtaining historical data") : Database::tr("Obtaining selected data");
    case Database::SgRequest:
        return Database::tr("Obtaining data on the signal groups");
    }
    return QString();
}

bool RequestRows::handle(int statement, const QSqlQuery &q)
{
    switch (kind) {
    case Database::PhasesRequest:
        if (statement == 0)
            emit worker->lumoPhaseData(q.value(0).toDateTime(), q.value(1).toInt(), q.value(2).toInt());
        else
            emit worker->lumoStateData(q.value(0).toDateTime(), q.value(1).toInt());
        return true;
    case Database::LogRequest:
        emit worker->lumoLogData(q.value(0).toDateTime(), q.value(1).toTime(), q.value(2).toInt(),
                                 q.value(3).toString(), q.value(4).toString(), q.value(5).toInt(),
                                 q.value(6).toByteArray());
        return true;
    case Database::Dt15Request: {
        const int index = dt15Index(statement);
        const QDateTime time = q.value(0).toDateTime();
        const QVariant value = q.value(1);
        // No value (a record without an interval) is a gap, not a zero.
        if (!value.isNull())
            emit worker->lumoDt15Data(time, value.toDouble(), index);
        if (index == 1)
            emit worker->lumoDt15StateData(time, stateValue(q.value(2)));
        return true;
    }
    case Database::DetectorsRequest:
        anyRow = true;
        emit worker->lumoDt(q.value(0).toInt());
        return true;
    case Database::DtStatRequest:
        if (statement == 0) {
            // A missing value is no measurement: it does not count.
            const QVariant value = q.value(1);
            if (!value.isNull())
                history[q.value(0).toTime()].append(value.toDouble());
        } else {
            const QTime time = q.value(0).toTime();
            if (!q.value(1).isNull())
                emit worker->lumoDtCurrentData(time, q.value(1).toDouble());
            emit worker->lumoDt15StateData(QDateTime(QDate(), time), stateValue(q.value(2)));
        }
        return true;
    case Database::SgRequest: {
        int group = 0;
        int state = 0;
        if (!decoder->decode(q.value(1).toByteArray(), &group, &state)) {
            emit worker->logMessage(Database::tr("Internal error: cannot decode event"), Error);
            return false;
        }
        emit worker->lumoSgData(q.value(0).toDateTime(), group, state);
        return true;
    }
    }
    return true;
}

bool RequestRows::finishStatement(int statement, RowPacer &pacer)
{
    if (kind != Database::DtStatRequest || statement != 0)
        return true;
    for (auto it = history.begin(); it != history.end(); ++it) {
        if (!pacer.beforeRow())
            return false;
        QVector<double> &values = it.value();
        std::sort(values.begin(), values.end());
        const BoxStatistics s = BoxStatistics::fromSorted(values);
        emit worker->lumoDtStatData(it.key(), s.median, s.min, s.max, s.q1, s.q3);
    }
    history.clear();
    return true;
}

void RequestRows::finishRequest()
{
    if (kind == Database::DetectorsRequest && !anyRow)
        emit worker->lumoDt(-1);
}
