// Views that follow today: the phase, detector data and signal-group views
// take the rows written after their load, on every server, with a clock set
// by hand that carries them over midnight and the hour; and every control
// of the chart views laid out.
#include "EveryView.h"
#include "HostKernel.h"
#include "SignalGroupEvent.h"
#include "ViewTest.h"

#include "views/LiveFollow.h"
#include "views/LumoWidget.h"
#include "views/ViewClock.h"

#include "WallClock.h"

#include <QDateTimeEdit>
#include <QLayout>
#include <QSpinBox>
#include <QToolButton>
#include <QtTest>

#include <functional>

class LiveViewsTest : public ViewTest
{
    Q_OBJECT

private:
    const uint object = 911;
    const QDate day = QDate(2031, 5, 14);
    // Steps far more often than a user's view, so that the tests wait less.
    static const int interval = 50;

    static QDateTime on(const QDate &d, const QTime &t) { return QDateTime(d, t); }
    static QToolButton *live(QWidget *view) { return view->findChild<QToolButton *>("live"); }
    // Live in the row and on: the view follows.
    static bool following(QWidget *view) { return !live(view)->isHidden() && live(view)->isChecked(); }
    static LiveFollow *follower(QWidget *view) { return static_cast<LumoWidget *>(view)->follower(); }

    // A view of `kind` on the clock's day, loaded: the phases, the data of
    // detector 1 (15-minute or raw records), the signal groups (of the day,
    // or of the hour as they open) or the event log (searched for "odd" and
    // sorted by description, newest first).
    std::unique_ptr<QWidget> open(const QString &kind)
    {
        QWidget *w = kind == "phases"                ? facade.createPhasesWidget(object)
                     : kind.startsWith("signal groups") ? facade.createSGWidget(object)
                     : kind.startsWith("log")           ? facade.createLogWidget(object, 0x5FFFF)
                                                       : facade.createDtWidget(object, {1});
        w->setProperty("followInterval", interval);
        auto view = loaded(w);
        const char *reload = kind.contains("records") ? "updateData" : kind == "signal groups" ? "dayData" : nullptr;
        if (kind.contains("records"))
            view->findChild<QCheckBox *>("rawData")->setChecked(true);
        if (reload && !click(view.get(), reload))
            QTest::qFail("the view was not loaded again", __FILE__, __LINE__);
        if (kind.contains("sorted")) {
            view->setProperty("searchText", "odd");
            clickHeader(view.get(), 3);
            clickHeader(view.get(), 3);
            QTableWidget *t = table(view.get());
            if (!QTest::qWaitFor([&] {
                    return t->horizontalHeader()->sortIndicatorSection() == 3 && t->updatesEnabled()
                        && t->horizontalHeader()->sortIndicatorOrder() == Qt::DescendingOrder
                        && shownCount(view.get()).startsWith(QString::number(t->rowCount()) + " of");
                }))
                QTest::qFail("the log was not sorted", __FILE__, __LINE__);
        }
        return view;
    }
    // The start of the period a view shows, as the clock reads it.
    static QDateTime shownStart(QWidget *view)
    {
        if (auto *edit = view->findChild<QDateTimeEdit *>("dateTimeEdit"))
            return on(edit->date(), edit->time());
        return on(view->findChild<QDateEdit *>("dateEdit")->date(), QTime(0, 0));
    }
    // A row of each stream of `kind` at `t`; rows of one time differ only
    // where the statements order them (the phase), so that any order of
    // theirs reads the same.
    void write(const QString &kind, const QTime &t, int index)
    {
        const QString at = on(day, t).toString("''yyyy-MM-dd hh:mm:ss''");
        const int value = t.msecsSinceStartOfDay() / 1000 % 97;
        if (kind.startsWith("log")) {
            QVERIFY(run(QString("insert into events (objectid,time,devicetime,type,value,%1,description) "
                                "values (%2,%3,'%4',1,%5,%5,'%6 %7')")
                            .arg(quoted("index")).arg(object).arg(at).arg(t.toString("hh:mm:ss")).arg(index)
                            .arg(index % 2 ? "odd" : "even").arg(index % 3)));
        } else if (kind == "phases") {
            QVERIFY(run(QString("insert into phasesdata (objectid,time,phaseid,length,promtact) values (%1,%2,%3,%4,1)")
                            .arg(object).arg(at).arg(index % 3 + 1).arg(20 + index)));
            QVERIFY(run(QString("insert into events (objectid,time,type,value,%1) values (%2,%3,2,%4,%5)")
                            .arg(quoted("index")).arg(object).arg(at).arg(value % 5).arg(index)));
        } else if (kind == "signal groups") {
            // Two groups taking turns, each closing and then opening or
            // changing at the same time.
            const bool pg = reference.driverName() == QLatin1String("QPSQL");
            QStringList rows;
            for (int state : {4, QVector<int>{1, 2, 16}.at(index % 3)}) {
                const QByteArray data = SignalGroupEvent::encode(1 + index % 2, state);
                rows << QString("(%1,%2,7,5,%3,%4)").arg(object).arg(at)
                            .arg(QString(pg ? "decode('%1','hex')" : "unhex('%1')").arg(QString(data.toHex())))
                            .arg(2 * index + rows.size());
            }
            QVERIFY(run(QString("insert into events (objectid,time,type,value,data,%1) values %2")
                            .arg(quoted("index"), rows.join(','))));
        } else if (kind.contains("records")) {
            QVERIFY(run(QString("insert into detectorsdata (objectid,detectorid,time,cars,%1,occupancy,speed,state) "
                                "values (%2,1,%3,%4,60,5,40,%5)")
                            .arg(quoted("interval")).arg(object).arg(at).arg(value).arg(value % 3)));
        } else {
            QVERIFY(run(QString("insert into dt15 (objectid,detectorid,time,intensity,occupancy,speed,state) "
                                "values (%1,1,%2,%3,5,40,%4)")
                            .arg(object).arg(at).arg(value).arg(value % 3)));
        }
    }
    // The live view comes to show what a fresh load of its day shows (and
    // counts it alike).
    bool followed(QWidget *view, const QString &kind)
    {
        const auto freshView = open(kind);
        const QStringList fresh = EveryView::shown(freshView.get());
        return !fresh.isEmpty() && QTest::qWaitFor([&] {
            return EveryView::shown(view) == fresh && shownCount(view) == shownCount(freshView.get());
        }, 30000);
    }
    // The statements the views send while `during` runs and for twenty
    // steps' time after it.
    QString sentMeanwhile(const std::function<void()> &during)
    {
        QFile::remove(files.filePath("meanwhile.sql"));
        facade.startDumpQueries(files.filePath("meanwhile.sql"));
        during();
        QTest::qWait(20 * interval);
        facade.stopDumpQueries();
        return fileText("meanwhile.sql");
    }

private slots:
    void initTestCase()
    {
        // The host's decoder of signal-group events.
        new Road::Kernel(QCoreApplication::instance());
    }
    void init()
    {
        use();
        ViewClock::set(on(day, QTime(12, 0)));
    }
    void cleanup() { ViewClock::reset(); }

    void follows_data()
    {
        TestServers::addServerRows({"phases", "detector 1", "detector 1, raw records", "signal groups", "log", "log, sorted"});
    }

    // Rows written after the load appear in a day that had none, beside
    // the newest, at its very time and late, each once: the view equals a
    // fresh load each time.
    void follows()
    {
        USE_ROW_SERVER();
        QFETCH(QString, kind);
        const auto cleanUp = ownRows(object, {"phasesdata", "events", "detectors", "dt15", "detectorsdata"});
        QVERIFY(run(QString("insert into detectors (objectid,id,collect) values (%1,1,true)").arg(object)));
        auto view = open(kind);
        QVERIFY(following(view.get()));
        QVERIFY(EveryView::shown(view.get()).isEmpty());

        const QVector<QVector<QTime>> batches{
            {QTime(10, 0)},
            {QTime(10, 0, 5), QTime(10, 0, 5)},
            {QTime(10, 0, 5), QTime(10, 3)}, // the newest time again
            {QTime(9, 50), QTime(10, 3)}, // late, and the newest again
        };
        int index = 0;
        for (const QVector<QTime> &batch : batches) {
            for (const QTime &t : batch)
                write(kind, t, ++index);
            QVERIFY2(followed(view.get(), kind), qPrintable(QString("batch %1").arg(index)));
        }
        QVERIFY(view->findChild<QWidget *>("Progress")->isHidden());
    }

    void pausedAndPastDays_data() { TestServers::addServerRows({"phases", "signal groups", "log"}); }

    // Paused, or on a past day (no Live there), a view sends nothing; back
    // on today it follows again.
    void pausedAndPastDays()
    {
        USE_ROW_SERVER();
        QFETCH(QString, kind);
        const auto cleanUp = ownRows(object, {"phasesdata", "events"});
        auto view = open(kind);
        const QStringList before = EveryView::shown(view.get());
        live(view.get())->click();
        QVERIFY(!live(view.get())->isChecked());
        QTRY_VERIFY(!follower(view.get())->stepping());
        QCOMPARE(sentMeanwhile([&] { write(kind, QTime(10, 0), 1); }), QString());
        QCOMPARE(EveryView::shown(view.get()), before);

        QVERIFY(click(view.get(), "previousDay"));
        QVERIFY(live(view.get())->isHidden());
        QCOMPARE(sentMeanwhile([] {}), QString());

        QVERIFY(click(view.get(), "nextDay"));
        QVERIFY(following(view.get()));
        bool shown = false;
        QVERIFY(sentMeanwhile([&] {
                    write(kind, QTime(10, 1), 2);
                    shown = followed(view.get(), kind);
                }).contains("count(*)"));
        QVERIFY(shown);
    }

    void midnight_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("hours"); // the period's length
        for (const QString &server : TestServers::available().mid(0, 1)) {
            QTest::newRow("phases, a day") << server << "phases" << 24;
            QTest::newRow("detector data, a week") << server << "detector 1" << 7 * 24;
            QTest::newRow("signal groups, an hour") << server << "signal groups, hour" << 1;
            QTest::newRow("signal groups, a week") << server << "signal groups, week" << 7 * 24;
            QTest::newRow("event log") << server << "log" << 24;
        }
    }

    // At the end of its period a following view moves on to the one of now,
    // by whole periods; a paused one stays until Live is pressed.
    void midnight()
    {
        USE_ROW_SERVER();
        QFETCH(QString, kind);
        QFETCH(int, hours);
        const auto cleanUp = ownRows(object, {"detectors"});
        QVERIFY(run(QString("insert into detectors (objectid,id,collect) values (%1,1,true)").arg(object)));
        auto view = open(kind);
        if (hours == 7 * 24)
            QVERIFY(click(view.get(), "weekData"));
        const QDateTime first = shownStart(view.get());
        const auto period = [&](int n) { return first.addSecs(qint64(n) * hours * 3600); };
        const auto clockAt = [&](int n) { ViewClock::set(period(n).addSecs(1)); };

        ViewClock::set(period(1).addSecs(-1));
        QTest::qWait(10 * interval);
        QCOMPARE(shownStart(view.get()), first); // still within the period
        clockAt(1);
        QTRY_COMPARE(shownStart(view.get()), period(1));
        QVERIFY(viewLoaded(view.get()) && following(view.get()));

        live(view.get())->click();
        clockAt(3);
        QTest::qWait(10 * interval);
        QCOMPARE(shownStart(view.get()), period(1));
        QVERIFY(!live(view.get())->isHidden());
        live(view.get())->click();
        QTRY_COMPARE(shownStart(view.get()), period(3));
        QVERIFY(viewLoaded(view.get()) && live(view.get())->isChecked());
    }

    // A step puts its rows in place of the view's from its time on: points,
    // the control-source band to the last phase run and the averages shown.
    // Refresh during a step loads once the step has ended.
    void phaseStepFed()
    {
        auto view = opened(facade.createPhasesWidget(1));
        view->setProperty("followInterval", interval);
        Database *worker = static_cast<LumoWidget *>(view.get())->worker();
        const auto at = [this](int h, int m) { return on(day, QTime(h, m)); };
        const auto half = [this](int i) { return on(day, QTime(9, 0).addSecs(1800 * i)); };
        deliver(view.get(), "on_db_lumoStateData", at(9, 0), 1);
        for (int i = 0; i < 3; ++i)
            deliver(view.get(), "on_db_lumoPhaseData", half(i), 1, 30 + 10 * i);
        deliver(view.get(), "on_db_lumoStateData", at(10, 0), 3);
        deliver(view.get(), "on_db_complete");
        view->findChild<QCheckBox *>("averaging")->click();
        ChartWidget *c = chart(view.get());
        const QColor averageColour = series(c, "Phase 1 (avg)")->color();
        QTRY_VERIFY(follower(view.get())->stepping());
        view->findChild<QPushButton *>("updateData")->click();
        QVERIFY(viewReading(view.get()));

        emit worker->followFrom(0, at(9, 30));
        for (int i = 1; i < 4; ++i)
            deliver(view.get(), "on_db_lumoPhaseData", half(i), 1, 30 + 10 * i);
        deliver(view.get(), "on_db_lumoPhaseData", at(10, 30), 2, 1001); // counted, not drawn
        emit worker->followFrom(1, at(10, 0));
        deliver(view.get(), "on_db_lumoStateData", at(10, 0), 3);
        deliver(view.get(), "on_db_lumoStateData", at(10, 15), 1);
        deliver(view.get(), "on_db_complete");
        QCOMPARE(points(c->series(1)), (QVector<QPointF>{{secs(at(9, 0)), 30}, {secs(at(9, 30)), 40},
                                                         {secs(at(10, 0)), 50}, {secs(at(10, 30)), 60}}));
        QCOMPARE(points(series(c, "Phase 1 (avg)")), (QVector<QPointF>{{secs(at(10, 0)), 40}, {secs(at(10, 30)), 50}}));
        QCOMPARE(series(c, "Phase 1 (avg)")->color(), averageColour);
        auto *band = qobject_cast<GanttSeries *>(series(c, "State"));
        QVector<double> ends;
        for (int i = 0; i < band->barCount(); ++i)
            ends << band->bar(i).to;
        QCOMPARE(ends, (QVector<double>{secs(at(10, 0)), secs(at(10, 15)), secs(at(10, 30))}));
        QCOMPARE(follower(view.get())->lastTime(0), WallClock::at(day, QTime(10, 30)));

        // The held load now starts.
        QTRY_VERIFY(c->seriesList().isEmpty() && viewReading(view.get()));
    }

    // A dense hour of 16 groups: a step puts its rows in place of the
    // view's from ten minutes before the newest on, a late one among them,
    // far past the first checkpoints of the evaluation. The charts and the
    // smoothed lines then equal those of the same records loaded at once.
    void signalGroupStepFed()
    {
        struct Row
        {
            QDateTime time;
            int group;
            int state;
        };
        QVector<Row> rows;
        for (int s = 0; s < 3590; s += 8)
            for (int group = 1; group <= 16; ++group)
                for (const QPoint &change : {QPoint(0, 4), QPoint(3, 2), QPoint(4, 1), QPoint(6, 0)})
                    rows << Row{on(day, QTime(12, 0).addSecs(s + change.x() + group % 2)), group, change.y()};
        const auto byTime = [](const Row &a, const Row &b) { return a.time < b.time; };
        std::stable_sort(rows.begin(), rows.end(), byTime);
        QVector<Row> stepped = rows;
        stepped << Row{on(day, QTime(12, 51, 1)), 3, 16};
        std::stable_sort(stepped.begin(), stepped.end(), byTime);
        const auto feed = [this](QWidget *view, const QVector<Row> &all, const QDateTime &from, const QDateTime &to) {
            for (const Row &row : all)
                if (row.time >= from && row.time < to)
                    deliver(view, "on_db_lumoSgData", row.time, row.group, row.state);
            deliver(view, "on_db_complete");
        };
        const auto smoothedView = [this](QWidget *view) {
            QVERIFY(viewLoaded(view));
            view->findChild<QCheckBox *>("averaging")->click();
            QTRY_VERIFY(series(chart(view, "xy_chart"), "SG 16 (avg)"));
        };
        const QDateTime hour = on(day, QTime(12, 0));
        auto view = opened(facade.createSGWidget(1));
        view->setProperty("followInterval", interval);
        feed(view.get(), rows, hour, on(day, QTime(12, 55)));
        smoothedView(view.get());
        auto fresh = opened(facade.createSGWidget(1));
        feed(fresh.get(), stepped, hour, hour.addSecs(3600));
        smoothedView(fresh.get());

        QTRY_VERIFY(follower(view.get())->stepping());
        emit static_cast<LumoWidget *>(view.get())->worker()->followFrom(0, on(day, QTime(12, 45)));
        feed(view.get(), stepped, on(day, QTime(12, 45)), hour.addSecs(3600));
        const QStringList expected = EveryView::shown(fresh.get());
        QVERIFY(expected.size() > 20000);
        QTRY_COMPARE(EveryView::shown(view.get()), expected);
    }

    // Every control a chart view makes is laid out in its tool row or its
    // foot, none left out of sight (the progress overlay lies over them).
    void controlsLaidOut()
    {
        const std::function<bool(QLayout *, QWidget *)> holds = [&](QLayout *layout, QWidget *w) {
            for (int i = 0; layout && i < layout->count(); ++i)
                if (layout->itemAt(i)->widget() == w || holds(layout->itemAt(i)->layout(), w))
                    return true;
            return false;
        };
        for (QWidget *created : {facade.createPhasesWidget(1), facade.createDtWidget(1, {1}), facade.createDtStatWidget(1, {1}),
                                 facade.createDtHealthHistoryView(1, 1), facade.createDtFaultsView(1, 1, day),
                                 facade.createSGWidget(1)}) {
            auto view = opened(created);
            for (QWidget *parent : {view.get(), view->findChild<QWidget *>("frame")}) {
                for (QWidget *w : parent->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
                    QVERIFY2(w->objectName() == "Progress" || holds(parent->layout(), w),
                             qPrintable(created->metaObject()->className() + (" " + w->objectName())));
            }
        }
    }
};

QTEST_MAIN(LiveViewsTest)
#include "tst_liveviews.moc"
