#ifndef EVERYVIEW_H
#define EVERYVIEW_H

#include "ViewIdle.h"

#include "plugin/LumoViewPlugin.h"

#include "ChartWidget.h"
#include "cwsimple/Chart.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <functional>

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
        add("log", plugin->createLogWidget(object, 0x5FFFF));
        add("log, older generation", plugin->createLogWidget(object, 0x3FFFF));
        add("phases", plugin->createPhasesWidget(object));
        add("signal groups", plugin->createSGWidget(object));
        add("detector data", plugin->createDtWidget(object, {detector}));
        add("detector records", plugin->createDtWidget(object, {detector}));
        add("statistics", plugin->createDtStatWidget(object, {detector}));
        add("health", plugin->createDtHealthHistoryView(object, detector));
        add("faults", plugin->createDtFaultsView(object, detector, faultsDay));
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
        for (const View &view : views) {
            if (!idle(view.widget))
                return false;
        }
        return true;
    }

    // Shows `day` in every view (the health history from 20 days before),
    // reading it again where it is shown already, and waits until each has
    // loaded it.
    bool showDay(const QDate &day)
    {
        for (const View &view : qAsConst(views)) {
            QWidget *w = view.widget;
            if (!idle(w))
                return false;
            auto *refresh = w->findChild<QPushButton *>(QStringLiteral("updateData"));
            if (!refresh)
                refresh = w->findChild<QPushButton *>(QStringLiteral("refreshButton"));
            if (auto *end = w->findChild<QDateEdit *>(QStringLiteral("end"))) {
                show(w, w->findChild<QDateEdit *>(QStringLiteral("start")), day.addDays(-20), refresh);
                if (!idle(w))
                    return false;
                show(w, end, day, refresh);
            } else if (auto *edit = w->findChild<QDateTimeEdit *>(QStringLiteral("dateTimeEdit"))) {
                // The signal groups of the whole day, from its midnight.
                edit->setDateTime(QDateTime(day, QTime(0, 0)));
                load(w, [w] { w->findChild<QPushButton *>(QStringLiteral("dayData"))->click(); });
            } else if (auto *date = w->findChild<QDateEdit *>(QStringLiteral("date"))) {
                show(w, date, day, refresh);
            } else {
                show(w, w->findChild<QDateEdit *>(QStringLiteral("dateEdit")), day, refresh);
            }
            if (!idle(w))
                return false;
        }
        return true;
    }

    // What a view shows: the rows of its table and of each chart's data, as
    // its CSV export writes them.
    static QStringList shown(QWidget *view)
    {
        QStringList lines;
        for (QTableWidget *table : view->findChildren<QTableWidget *>()) {
            for (int r = 0; r < table->rowCount(); ++r) {
                QStringList cells;
                for (int c = 0; c < table->columnCount(); ++c)
                    cells << (table->item(r, c) ? table->item(r, c)->text() : QString());
                lines << cells.join(QLatin1Char(';'));
            }
        }
        auto add = [&lines](const QVector<QStringList> &rows) {
            for (const QStringList &row : rows)
                lines << row.join(QLatin1Char(';'));
        };
        for (ChartWidget *chart : view->findChildren<ChartWidget *>())
            add(chart->dataTable());
        for (cwsimple::Chart *chart : view->findChildren<cwsimple::Chart *>())
            add(chart->dataTable());
        return lines;
    }

private:
    void add(const char *name, QWidget *widget)
    {
        widget->resize(800, 500);
        widget->show();
        views.append({QString::fromLatin1(name), widget});
    }

    // The log has no control frame: it is idle when Refresh is enabled and
    // its progress overlay hidden.
    static bool idle(QWidget *view, int timeout = 60000)
    {
        if (auto *overlay = view->findChild<QWidget *>(QStringLiteral("Progress"));
            overlay && !view->findChild<QFrame *>(QStringLiteral("frame"))) {
            auto *refresh = view->findChild<QPushButton *>(QStringLiteral("updateData"));
            return QTest::qWaitFor([=] { return refresh->isEnabled() && overlay->isHidden(); }, timeout);
        }
        return viewIdle(view, timeout);
    }

    // A changed date reloads the view by itself; the same date needs Refresh.
    static void show(QWidget *view, QDateEdit *edit, const QDate &day, QPushButton *refresh)
    {
        if (edit->date() == day)
            load(view, [refresh] { refresh->click(); });
        else
            load(view, [edit, day] { edit->setDate(day); });
    }

    // Starts a load and waits until it has begun (or, when it was quicker
    // than a look, a moment).
    static void load(QWidget *view, const std::function<void()> &start)
    {
        start();
        static_cast<void>(QTest::qWaitFor([view] { return !idleNow(view); }, 1000));
    }
    static bool idleNow(QWidget *view)
    {
        if (auto *frame = view->findChild<QFrame *>(QStringLiteral("frame")))
            return frame->isEnabled();
        auto *overlay = view->findChild<QWidget *>(QStringLiteral("Progress"));
        return !overlay || overlay->isHidden();
    }

    QVector<View> views;
};

#endif // EVERYVIEW_H
