#ifndef EVERYVIEW_H
#define EVERYVIEW_H

#include "ViewIdle.h"

#include "plugin/LumoViewPlugin.h"

#include "ChartWidget.h"
#include "cwsimple/Chart.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QFile>
#include <QTableWidget>

// Every view of the module, opened through the facade as the host opens
// them, on one controller and detector: the log of both record generations,
// phases, signal groups, detector data (15-minute and raw records),
// statistics, health history and the fault chart. showDay() loads a day in
// each, as a user picks it.
class EveryView
{
public:
    struct View
    {
        QString name;
        QWidget *widget;
    };

    EveryView(LumoViewPlugin *plugin, uint object, int detector, const QDate &faultsDay)
    {
        views = {{"log", plugin->createLogWidget(object, 0x5FFFF)},
                 {"log, older generation", plugin->createLogWidget(object, 0x3FFFF)},
                 {"phases", plugin->createPhasesWidget(object)},
                 {"signal groups", plugin->createSGWidget(object)},
                 {"detector data", plugin->createDtWidget(object, {detector})},
                 {"detector records", plugin->createDtWidget(object, {detector})},
                 {"statistics", plugin->createDtStatWidget(object, {detector})},
                 {"health", plugin->createDtHealthHistoryView(object, detector)},
                 {"faults", plugin->createDtFaultsView(object, detector, faultsDay)}};
        for (const View &view : qAsConst(views)) {
            view.widget->resize(800, 500);
            view.widget->show();
        }
        views[5].widget->findChild<QCheckBox *>(QStringLiteral("rawData"))->setChecked(true);
    }
    ~EveryView()
    {
        for (const View &view : qAsConst(views))
            delete view.widget;
    }

    const QVector<View> &all() const { return views; }

    // True once no view is reading any more: the first loads, at creation,
    // are done.
    bool idle() const
    {
        return std::all_of(views.cbegin(), views.cend(), [](const View &view) { return viewLoaded(view.widget); });
    }

    // Shows `day` in every view (the health history from 20 days before,
    // the signal groups from its midnight), reading it again where it is
    // shown already, and waits until each has loaded it.
    bool showDay(const QDate &day)
    {
        for (const View &view : qAsConst(views)) {
            QWidget *w = view.widget;
            auto *refresh = w->findChild<QPushButton *>(QStringLiteral("updateData"));
            if (!refresh)
                refresh = w->findChild<QPushButton *>(QStringLiteral("refreshButton"));
            // A changed date reloads the view by itself; the same date needs Refresh.
            const auto show = [w, refresh](const char *name, const QDate &d) {
                auto *edit = w->findChild<QDateEdit *>(QLatin1String(name));
                return !edit || viewReloaded(w, [=] { edit->date() == d ? refresh->click() : edit->setDate(d); });
            };
            auto *start = w->findChild<QDateTimeEdit *>(QStringLiteral("dateTimeEdit"));
            if (!viewLoaded(w))
                return false;
            if (start)
                start->setDateTime(QDateTime(day, QTime(0, 0), Qt::UTC)); // as written
            auto *dayData = w->findChild<QPushButton *>(QStringLiteral("dayData"));
            if (!show("start", day.addDays(-20)) || !show("end", day) || !show("date", day) || !show("dateEdit", day)
                || (start && !viewReloaded(w, [dayData] { dayData->click(); })))
                return false;
        }
        return true;
    }

    // What a view shows: the rows of its table and of each chart's data, as
    // its CSV export writes them.
    static QStringList shown(QWidget *view)
    {
        QVector<QStringList> rows;
        for (QTableWidget *table : view->findChildren<QTableWidget *>()) {
            for (int r = 0; r < table->rowCount(); ++r) {
                rows.append(QStringList());
                for (int c = 0; c < table->columnCount(); ++c)
                    rows.last() << (table->item(r, c) ? table->item(r, c)->text() : QString());
            }
        }
        for (ChartWidget *chart : view->findChildren<ChartWidget *>())
            rows += chart->dataTable();
        for (cwsimple::Chart *chart : view->findChildren<cwsimple::Chart *>())
            rows += chart->dataTable();
        QStringList lines;
        for (const QStringList &row : qAsConst(rows))
            lines << row.join(QLatin1Char(';'));
        return lines;
    }

    // The records of a dump file: the views' (a line each) or the service's
    // (ended by a carriage return).
    static QStringList dumped(const QString &path, QChar end = QLatin1Char('\n'))
    {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        return QString::fromUtf8(file.readAll()).split(end, Qt::SkipEmptyParts);
    }

private:
    QVector<View> views;
};

#endif // EVERYVIEW_H
