#ifndef DBGEN_CATALOGUE_H
#define DBGEN_CATALOGUE_H

#include <QByteArray>
#include <QString>

#include <initializer_list>

class QTextCodec;

// What the generated controllers record: event types and texts, the shape
// of a day's traffic and the current generation's miscellaneous events.

extern QTextCodec *g_cp1251;

struct Event
{
    qint64 time;   // seconds since g_jd0
    int seq;       // generation order, breaks ties
    int type;
    int value;
    QByteArray data;
    QString description;  // null = SQL NULL
    bool hasDescription;
};

inline const char *const kControlSources[] = {"не определён", "центр", "локальный план", "ручное управление",
                                              "диспетчер", "расписание", "адаптивный", "аварийный режим"};
inline const char *const kRestartReasons[] = {"питание", "сторожевой таймер", "команда оператора", "обновление"};
inline const char *const kOldTexts[] = {"Авария лампы", "Дверь шкафа открыта", "Дверь шкафа закрыта",
                                        "Перезапуск контроллера", "Смена программы", "Неисправность детектора",
                                        "Сбой связи с центром", "Ручное управление", "Желтое мигание",
                                        "Отключение светофора", "Восстановление связи"};
inline const char *const kOldSources[] = {"K1", "K2", "ДК", "ЦУ", "K3"};
inline const char *const kGroupStates[] = {"закрыта", "открыта", "переход"};

struct EventTypeDef
{
    int id;
    const char *description;
};
// Display names, as the log's type column shows them; the finished texts
// are in the events' own description.
inline const EventTypeDef kEventTypes[] = {
    {1, "Служба"},
    {2, "Источник управления"},
    {3, "Алгоритм"},
    {4, "Неисправность детектора"},
    {5, "Дверь шкафа"},
    {6, "Перезапуск"},
    {7, "Сигнальная группа"},
    {8, "Обрыв лампы"},
    {9, "Связь с центром"},
    {10, "Вызов пешехода"},
    {11, "Детектор"},
    {12, "Ошибка конфигурации"},
};

QByteArray le32(std::initializer_list<qint32> words);

// Relative traffic intensity for a time of day (hours), peaks at 8:00 and
// 17:30, quiet nights. About 0.05 at night, 1.0 at the morning peak.
double trafficShape(double h, bool weekend);

bool isWeekend(qint64 jd);

// A second of the day distributed with the traffic shape.
int shapedSecond(bool weekend);

// A control-source change (type 2) to `value` at time t.
Event controlSourceEvent(qint64 t, int seq, int value);
// A signal-group change (type 7, value 5) of group g to state 0 closed,
// 1 open or 2 in transition at time t.
Event signalGroupEvent(qint64 t, int seq, int group, int state);

// One miscellaneous current-generation event at time t (seconds since
// g_jd0) of a controller with `detectors` detectors and `groups` signal
// groups; the bulk of a big day is mostly detector occupancy and
// pedestrian calls.
Event miscEvent(qint64 t, int seq, int detectors, int groups, bool bulk);

#endif // DBGEN_CATALOGUE_H
