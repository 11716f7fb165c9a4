#include "Catalogue.h"

#include "Random.h"

#include <QDate>

#include <cmath>

QTextCodec *g_cp1251 = nullptr;

QByteArray le32(std::initializer_list<qint32> words)
{
    QByteArray b;
    for (qint32 w : words) {
        const quint32 u = quint32(w);
        b.append(char(u & 0xff));
        b.append(char((u >> 8) & 0xff));
        b.append(char((u >> 16) & 0xff));
        b.append(char((u >> 24) & 0xff));
    }
    return b;
}

double trafficShape(double h, bool weekend)
{
    if (weekend) {
        return 0.05 + 0.55 * std::exp(-((h - 13.0) / 3.5) * ((h - 13.0) / 3.5))
               + 0.15 * std::exp(-((h - 19.0) / 2.0) * ((h - 19.0) / 2.0));
    }
    return 0.05 + 0.95 * std::exp(-((h - 8.0) / 1.3) * ((h - 8.0) / 1.3))
           + 0.85 * std::exp(-((h - 17.5) / 1.6) * ((h - 17.5) / 1.6))
           + 0.35 * std::exp(-((h - 12.75) / 3.0) * ((h - 12.75) / 3.0));
}

bool isWeekend(qint64 jd) { return QDate::fromJulianDay(jd).dayOfWeek() >= 6; }

int shapedSecond(bool weekend)
{
    for (;;) {
        const int s = irand(0, 86399);
        if (frand() * 1.2 < trafficShape(s / 3600.0, weekend))
            return s;
    }
}

Event controlSourceEvent(qint64 t, int seq, int value)
{
    return Event{t, seq, 2, value, le32({value, 0, 0, 0}),
                 QString::fromUtf8("Источник управления %1").arg(QString::fromUtf8(kControlSources[value])), true};
}

Event signalGroupEvent(qint64 t, int seq, int group, int state)
{
    return Event{t, seq, 7, 5, le32({group, state, 0}),
                 QString::fromUtf8("Сигнальная группа %1: %2").arg(group).arg(QString::fromUtf8(kGroupStates[state])),
                 true};
}

Event miscEvent(qint64 t, int seq, int detectors, int groups, bool bulk)
{
    auto event = [&](int type, int value, const QByteArray &data, const QString &descr) {
        return Event{t, seq, type, value, data, descr, true};
    };
    int kind = bulk ? irand(0, 99) : irand(0, 99);
    if (bulk) {
        // mostly detector occupancy and pedestrian calls
        if (kind < 70) {
            const int det = irand(1, detectors);
            const int occ = irand(0, 1);
            return event(11, occ, le32({det, occ, 0, 0}),
                         QString::fromUtf8("Детектор %1: %2").arg(det).arg(QString::fromUtf8(occ ? "занят" : "свободен")));
        }
        if (kind < 97) {
            const int btn = irand(1, 4);
            return event(10, btn, le32({btn, 0, 0, 0}), QString::fromUtf8("Вызов пешехода %1").arg(btn));
        }
        kind = irand(0, 99);
    }
    if (kind < 30) {
        const int det = irand(1, detectors);
        const int code = irand(1, 4) == 4 ? 0x10 : (1 << irand(0, 3));
        return event(4, code, le32({det, code, 0, 0}),
                     QString::fromUtf8("Детектор %1: неисправность %2h").arg(det).arg(code, 2, 16, QLatin1Char('0')));
    }
    if (kind < 50) {
        const int btn = irand(1, 4);
        return event(10, btn, le32({btn, 0, 0, 0}), QString::fromUtf8("Вызов пешехода %1").arg(btn));
    }
    if (kind < 62) {
        const int alg = irand(0, 9) == 0 ? irand(240, 255) : irand(0, 47);
        return event(3, alg, le32({alg, 0, 0, 0}), QString::fromUtf8("Алгоритм %1").arg(alg));
    }
    if (kind < 70) {
        const int lamp = irand(1, 3), group = irand(1, groups);
        return event(8, lamp, le32({lamp, group, 0, 0}), QString::fromUtf8("Лампа %1 группы %2: обрыв").arg(lamp).arg(group));
    }
    if (kind < 78) {
        const int open = irand(0, 1);
        return event(5, open, le32({open, 0, 0, 0}),
                     QString::fromUtf8("Дверь шкафа: %1").arg(QString::fromUtf8(open ? "открыта" : "закрыта")));
    }
    if (kind < 86) {
        const int ok = irand(0, 1);
        return event(9, ok, le32({ok, 0, 0, 0}),
                     QString::fromUtf8("Связь с центром: %1").arg(QString::fromUtf8(ok ? "восстановлена" : "потеряна")));
    }
    if (kind < 93) {
        static const int services[] = {1, 2, 5, 6};
        const int sv = services[irand(0, 3)];
        return event(1, sv, le32({sv, 0, 0, 0}), QString::fromUtf8("Служба %1").arg(sv));
    }
    if (kind < 97) {
        const int code = irand(1, 255);
        return event(12, code, le32({code, 0, 0, 0}),
                     QString::fromUtf8("Ошибка конфигурации %1h").arg(code, 2, 16, QLatin1Char('0')));
    }
    const int reason = irand(0, 3);
    return event(6, reason, le32({reason, 0, 0, 0}),
                 QString::fromUtf8("Перезапуск: %1").arg(QString::fromUtf8(kRestartReasons[reason])));
}
