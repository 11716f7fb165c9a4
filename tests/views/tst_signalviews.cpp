// The phase and signal-group views, fed as their workers feed them and
// loaded from the servers, and every chart view over the days the clock
// changes; in a zone with daylight saving.
#include "ViewTest.h"

#include "BoxAndWhiskersSeries.h"
#include "HostKernel.h"
#include "SignalGroupEvent.h"
#include "WallClock.h"
#include <qcustomplot.h>
#include "views/LumoWidget.h"
#include "views/SGView.h"

#include <QDateTimeEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QThreadPool>
#include <QToolButton>
#include <QtTest>

#include <ctime>

class SignalViewsTest : public ViewTest
{
    Q_OBJECT

private:
    static QDateTime at(int h, int m) { return QDateTime(QDate(2024, 3, 6), QTime(h, m)); }
    static QDateTime local(int y, int mo, int d, int h = 0, int mi = 0) { return {QDate(y, mo, d), QTime(h, mi)}; }
    // A time as the database holds it: without a zone.
    static QDateTime written(const QDate &d, const QTime &t) { return WallClock::at(d, t); }
    static ChartWidget *xy(QWidget *v) { return chart(v, "xy_chart"); }
    static ChartWidget *cycles(QWidget *v) { return chart(v, "cycle_chart"); }
    static cwsimple::Chart *timeline(QWidget *v) { return v->findChild<cwsimple::Chart *>("tl_chart"); }
    static cwsimple::ColorHBoxSeries *bars(QWidget *v)
    {
        return static_cast<cwsimple::ColorHBoxSeries *>(timeline(v)->findSeries(1));
    }
    // Once a load's evaluation has reached the charts: the controls are
    // enabled again.
    static bool evaluated(QWidget *view)
    {
        auto *frame = view->findChild<QFrame *>("frame");
        return QTest::qWaitFor([frame] { return frame->isEnabled(); }, 60000);
    }
    // A signal-group view fed offline: on the hour of now, so paused, that
    // no follow step takes the rows fed after a load has ended.
    std::unique_ptr<QWidget> fedSgView()
    {
        auto view = opened(facade.createSGWidget(1));
        view->findChild<QToolButton *>("live")->setChecked(false);
        return view;
    }
    // Ends the load a view fed offline has started.
    static void endLoad(QWidget *view)
    {
        QCoreApplication::processEvents();
        deliver(view, "on_db_complete");
        QVERIFY(evaluated(view));
    }
    // Each smoothed line holds the binomial smoothing of its group's points,
    // on both charts, and stands in for them.
    static void checkSmoothed(QWidget *view)
    {
        for (ChartWidget *c : {xy(view), cycles(view)}) {
            for (ChartSeries *own : c->seriesList()) {
                ChartSeries *line = series(c, own->name() + " (avg)");
                if (own->name().endsWith(" (avg)") || (!line && own->isVisible()))
                    continue;
                QVERIFY2(line && !own->isVisible(), qPrintable(own->name()));
                const QVector<QPointF> dots = points(own);
                QVector<double> ys;
                for (const QPointF &p : dots)
                    ys << p.y();
                const QVector<double> smoothed = SGView::smoothed(ys);
                QVector<QPointF> expected;
                for (int i = 0; i < dots.size(); ++i)
                    expected << QPointF(dots.at(i).x(), smoothed.at(i));
                compare(points(line), expected);
            }
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(!local(2024, 3, 31, 2, 30).isValid(), "not in the zone main() set");
        Q_INIT_RESOURCE(LumoView);
        // The host's decoder of signal-group events.
        new Road::Kernel(QCoreApplication::instance());
    }
    void init() { use(); }

    // A point per phase up to a length of 1000; the control source as a band
    // up to the last phase; moving averages where a phase has enough points.
    void phasesFed()
    {
        auto view = opened(facade.createPhasesWidget(1));
        ChartWidget *c = chart(view.get());
        QVERIFY(!c->isEnabled()); // loading
        deliver(view.get(), "on_db_lumoStateData", at(10, 0), 1);
        deliver(view.get(), "on_db_lumoStateData", at(10, 20), 3);
        for (const QPoint &p : {QPoint(0, 1000), QPoint(1, 1001), QPoint(2, 40)})
            deliver(view.get(), "on_db_lumoPhaseData", at(10, p.x()), 5, p.y());
        for (int i = 0; i < 4; ++i)
            deliver(view.get(), "on_db_lumoPhaseData", at(10, 30 + i), 1, 10 * (i + 1));
        deliver(view.get(), "on_db_complete");
        QVERIFY(c->isEnabled());
        QCOMPARE(c->series(5)->name(), QStringLiteral("Phase 5"));
        QCOMPARE(points(c->series(5)), (QVector<QPointF>{{secs(at(10, 0)), 1000}, {secs(at(10, 2)), 40}}));
        auto *band = qobject_cast<GanttSeries *>(series(c, "State"));
        QCOMPARE(band->barCount(), 2);
        const GanttSeries::Bar first = band->bar(0), second = band->bar(1);
        QCOMPARE(QVector<double>({first.from, first.to, second.to, second.y}),
                 QVector<double>({secs(at(10, 0)), secs(at(10, 20)), secs(at(10, 33)), -1}));
        QCOMPARE(first.text + first.color.name(), QStringLiteral("календарная автоматика") + QColor(Qt::green).name());
        QCOMPARE(second.text + second.color.name(), QStringLiteral("АСУДД") + QColor(Qt::cyan).name());

        auto *averaging = view->findChild<QCheckBox *>("averaging");
        averaging->click();
        QVERIFY(!series(c, "Phase 5 (avg)")); // too few points
        const QVector<QPointF> average{{secs(at(10, 32)), 20}, {secs(at(10, 33)), 30}};
        QCOMPARE(points(series(c, "Phase 1 (avg)")), average);
        view->findChild<QSpinBox *>("avgPoints")->setValue(4);
        QCOMPARE(points(series(c, "Phase 1 (avg)")), (QVector<QPointF>{{secs(at(10, 33)), 25}}));
        averaging->click();
        view->findChild<QSpinBox *>("avgPoints")->setValue(3); // unchecked: nothing happens
        QVERIFY(!series(c, "Phase 1 (avg)"));

        // The message line keeps the newest lines, the last one shown.
        auto *log = view->findChild<QComboBox *>("log");
        const int cap = LumoWidget::messageLineCapacity;
        for (int i = 0; i < cap + 100; ++i)
            deliver(view.get(), "on_db_logMessage", QString("line %1").arg(i), Info);
        QCOMPARE(log->count(), cap);
        QVERIFY(log->itemText(0).endsWith(" line 100") && log->currentText().endsWith(QString(" line %1").arg(cap + 99)));
    }

    void signalGroupsFed_data()
    {
        QTest::addColumn<QDateTime>("base");
        QTest::addColumn<int>("opening"); // a group that opens and closes
        QTest::addColumn<int>("never");   // one that never opens
        QTest::newRow("plain day") << at(10, 0) << 2 << 7;
        // Stamped by a controller that keeps standard time all year: from
        // the minute before the hour the local clock skips, and repeats.
        QTest::newRow("into the skipped hour") << local(2024, 3, 31, 1, 59) << 2 << 7;
        QTest::newRow("through the repeated hour") << local(2024, 10, 27, 2, 58) << 2 << 7;
        QTest::newRow("numbers beyond the usual") << at(10, 0) << 70000 << -3;
    }

    // Open periods, cycles from opening to opening, a timeline bar per record
    // in its state's colours, rows by group number kept by a new load; the
    // smoothed lines.
    void signalGroupsFed()
    {
        QFETCH(QDateTime, base);
        QFETCH(int, opening);
        QFETCH(int, never);
        auto view = fedSgView();
        // The local time the driver hands over for what the row says, invalid
        // where the local clock skips it.
        const auto stamp = [&base](int s) { return QDateTime(base.date(), base.time().addSecs(s)); };
        const QVector<QPoint> closed{{0, 0}, {1, 16}, {2, 20}, {3, 9}, {4, 0}};
        for (const QPoint &r : closed)
            deliver(view.get(), "on_db_lumoSgData", stamp(r.x()), never, r.y());
        deliver(view.get(), "on_db_lumoSgData", stamp(-60), opening, 1); // before its first closed record: ignored
        const QVector<QPoint> records{{0, 4}, {30, 1}, {60, 4}, {120, 1}, {140, 4}, {180, 0}};
        for (const QPoint &r : records)
            deliver(view.get(), "on_db_lumoSgData", stamp(r.x()), opening, r.y());
        deliver(view.get(), "on_db_complete");
        QVERIFY(evaluated(view.get()));
        const double t0 = secs(base);
        QCOMPARE(points(xy(view.get())->series(opening)), (QVector<QPointF>{{t0 + 30, 30}, {t0 + 120, 20}}));
        QCOMPARE(points(cycles(view.get())->series(opening)), (QVector<QPointF>{{t0 + 60, 60}, {t0 + 140, 80}}));
        QVERIFY(xy(view.get())->series(never) && points(xy(view.get())->series(never)).isEmpty());
        // The bars by row and start, in black, yellow, red and yellow, red,
        // green; closed to closed (the last) is no point.
        const QString openRow = QString::number(opening < never ? 2 : 1);
        const QString neverRow = QString::number(opening < never ? 1 : 2);
        QStringList shown;
        cwsimple::ColorHBoxSeries *b = bars(view.get());
        for (int i = 0; i < b->barCount(); ++i)
            shown << QString("%1 %2 %3").arg(b->y(i)).arg(b->x1(i) - t0).arg(b->firstColor(i).name())
                         + (b->secondColor(i).isValid() ? '/' + b->secondColor(i).name() : QString());
        QStringList expected{"N 0 #000000", "N 1 #ffff00", "N 2 #ff0000/#ffff00", "N 3 #000000", "O 0 #ff0000",
                             "O 120 #00ff00", "O 140 #ff0000", "O 30 #00ff00", "O 60 #ff0000"};
        expected.replaceInStrings(QRegularExpression("^N"), neverRow).replaceInStrings(QRegularExpression("^O"), openRow);
        shown.sort();
        expected.sort();
        QCOMPARE(shown, expected);

        auto *smooth = view->findChild<QCheckBox *>("averaging");
        smooth->click();
        const QString avg = QString("SG %1 (avg)").arg(opening);
        QTRY_VERIFY(series(xy(view.get()), avg));
        ChartSeries *own = xy(view.get())->series(opening);
        QVERIFY(!own->isVisible());
        checkSmoothed(view.get());
        smooth->click();
        QVERIFY(own->isVisible() && !series(xy(view.get()), avg));
        // Binomial smoothing over nine points, wrapping at the ends.
        QCOMPARE(SGView::smoothed({0, 0, 0, 0, 256, 0, 0, 0, 0}), (QVector<double>{1, 8, 28, 56, 70, 56, 28, 8, 1}));
        QCOMPARE(SGView::smoothed({5, 5, 5}), (QVector<double>{5, 5, 5}));

        deliver(view.get(), "on_updateData_clicked", false);
        deliver(view.get(), "on_db_lumoSgData", stamp(300), opening, 0);
        deliver(view.get(), "on_db_complete");
        QVERIFY(evaluated(view.get()));
        QVERIFY(xy(view.get())->series(never) && cycles(view.get())->series(never));
        const QMap<double, QString> labels = timeline(view.get())->yAxis()->customLabels();
        QCOMPARE(labels.value(openRow.toDouble()), QString("SG %1").arg(opening));
        QCOMPARE(labels.value(neverRow.toDouble()), QString("SG %1").arg(never));
    }

    void workInFlight_data()
    {
        QTest::addColumn<bool>("smoothing"); // else the evaluation
        QTest::addColumn<QString>("then");
        for (const bool smoothing : {false, true}) {
            const char *what = smoothing ? "smoothing" : "evaluation";
            QTest::addRow("refresh during the %s", what) << smoothing << "refresh";
            QTest::addRow("second completion during the %s", what) << smoothing << "complete";
            QTest::addRow("close during the %s", what) << smoothing << "close";
        }
        QTest::addRow("smoothing unchecked while it runs") << true << "uncheck";
    }

    // A dense day of 16 groups, evaluated or smoothed in the background,
    // and meanwhile (nothing of that work can have reached the view, since
    // the event loop has not run) a Refresh, the worker's second completion,
    // a close, or smoothing unchecked: the view ends up showing exactly what
    // it shows without the interruption, and what the earlier work made is
    // dropped.
    void workInFlight()
    {
        QFETCH(bool, smoothing);
        QFETCH(QString, then);
        auto view = fedSgView();
        auto *smooth = view->findChild<QCheckBox *>("averaging");
        Database *worker = qobject_cast<LumoWidget *>(view.get())->worker();
        // What the background work has left to hand over has reached the view.
        const auto settle = [] {
            QThreadPool::globalInstance()->waitForDone();
            QCoreApplication::processEvents();
        };
        const QDateTime monday = written(QDate(2024, 3, 4), QTime(0, 0));
        // A day of every group closed 9 s, then open 11 s (a transition, green,
        // a transition), three cycles a minute.
        const int cycleCount = 86400 / 20;
        for (int t = 0; t < 86400; t += 20) {
            for (int group = 1; group <= 16; ++group) {
                emit worker->lumoSgData(monday.addSecs(t), group, 4);
                emit worker->lumoSgData(monday.addSecs(t + 9), group, 2);
                emit worker->lumoSgData(monday.addSecs(t + 10), group, 1);
                emit worker->lumoSgData(monday.addSecs(t + 14), group, 2);
            }
        }
        deliver(view.get(), "on_db_complete");
        if (smoothing) {
            QVERIFY(evaluated(view.get()));
            QCOMPARE(xy(view.get())->series(16)->pointsCount(), cycleCount - 1);
            smooth->click();
        }
        if (then == "close") {
            view.reset();
            settle();
            return;
        }
        if (then == "uncheck") {
            smooth->click();
            settle();
            QVERIFY(xy(view.get())->series(16)->isVisible() && !series(xy(view.get()), "SG 16 (avg)"));
            QCOMPARE(xy(view.get())->seriesList().size(), 16);
            return;
        }
        if (then == "complete") {
            deliver(view.get(), "on_db_complete");
            QVERIFY(evaluated(view.get()));
            settle();
            QCOMPARE(bars(view.get())->barCount(), 16 * (4 * cycleCount - 1));
            QCOMPARE(cycles(view.get())->series(3)->pointsCount(), cycleCount - 1);
            if (smoothing)
                QCOMPARE(series(xy(view.get()), "SG 3 (avg)")->pointsCount(), cycleCount - 1);
            checkSmoothed(view.get());
            return;
        }
        deliver(view.get(), "on_updateData_clicked", false);
        deliver(view.get(), "on_db_lumoSgData", monday, 20, 0);
        deliver(view.get(), "on_db_lumoSgData", monday.addSecs(5), 20, 1);
        deliver(view.get(), "on_db_lumoSgData", monday.addSecs(8), 20, 0);
        deliver(view.get(), "on_db_complete");
        QVERIFY(evaluated(view.get()));
        settle();
        QCOMPARE(bars(view.get())->barCount(), 2);
        QCOMPARE(points(xy(view.get())->series(20)), (QVector<QPointF>{{secs(monday) + 5, 3}}));
        QVERIFY(points(xy(view.get())->series(16)).isEmpty());
        QCOMPARE(xy(view.get())->seriesList().size(), smoothing ? 34 : 17);
        checkSmoothed(view.get());
        checkExport(view.get());
    }

    void dateSteps_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QDateTime>("from");
        QTest::addColumn<bool>("forward");
        QTest::addColumn<QDateTime>("to");
        const auto on = [](int y, int mo, int d, int h = 0, int mi = 0) { return written(QDate(y, mo, d), QTime(h, mi)); };
        QTest::newRow("a 23-hour day") << "hourData" << on(2026, 3, 28, 12) << true << on(2026, 3, 29, 12);
        // The hour the local clock skips on the last Sunday of March is
        // there for a controller that keeps standard time.
        QTest::newRow("into the skipped hour") << "hourData" << on(2026, 3, 28, 2, 30) << true << on(2026, 3, 29, 2);
        QTest::newRow("back over the 25-hour day") << "dayData" << on(2026, 10, 26, 14) << false << on(2026, 10, 25);
        QTest::newRow("a week from a Wednesday over the year end")
            << "weekData" << on(2026, 12, 30, 10) << true << on(2027, 1, 4);
    }

    // The mode sets the start; the arrows move it by a day or a week, the
    // same wall-clock time, and refresh once.
    void dateSteps()
    {
        QFETCH(QString, mode);
        QFETCH(QDateTime, from);
        QFETCH(bool, forward);
        QFETCH(QDateTime, to);
        auto view = fedSgView();
        // Each load is ended by hand: the server is not there.
        endLoad(view.get());
        auto *edit = view->findChild<QDateTimeEdit *>("dateTimeEdit");
        edit->setDateTime(from);
        view->findChild<QPushButton *>(mode)->click();
        endLoad(view.get());
        QSignalSpy refreshed(view->findChild<QPushButton *>("updateData"), &QPushButton::clicked);
        view->findChild<QAbstractButton *>(forward ? "nextDay" : "previousDay")->click();
        QCOMPARE(edit->dateTime(), to);
        QCOMPARE(refreshed.count(), 1);
    }

    void modeButtons_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("modes");
        QTest::newRow("signal groups") << "sg" << QStringList{"hourData", "dayData", "weekData"};
        QTest::newRow("phases") << "phases" << QStringList{"dayData", "weekData"};
        QTest::newRow("detector data") << "dt" << QStringList{"dayData", "weekData"};
    }

    // A click on the checked mode keeps it: one mode is always chosen, and
    // the signal-group view's page stays chosen too.
    void modeButtons()
    {
        QFETCH(QString, kind);
        QFETCH(QStringList, modes);
        auto view = kind == "sg" ? fedSgView()
                                 : opened(kind == "phases" ? facade.createPhasesWidget(1) : facade.createDtWidget(1, {5}));
        for (const QString &mode : modes) {
            for (int click = 0; click < 2; ++click) {
                endLoad(view.get());
                view->findChild<QPushButton *>(mode)->click();
                QStringList checked;
                for (const QString &m : modes)
                    if (view->findChild<QPushButton *>(m)->isChecked())
                        checked << m;
                QCOMPARE(checked, QStringList{mode});
                QVERIFY(kind != "sg" || view->findChild<QRadioButton *>("sg")->isChecked());
            }
        }
    }

    void timesAsWritten_data() { TestServers::addServerRows(); }

    // Rows written by a controller that keeps standard time all year, on
    // the days the local clock skips and repeats an hour, in every chart
    // view: placed and labelled as written, in order, a quarter of an hour
    // a quarter of an hour apart and a day a day; the hour from 02:00 can be
    // chosen and is read whole.
    void timesAsWritten()
    {
        USE_ROW_SERVER();
        const uint object = 904;
        const auto cleanUp = ownRows(object, {"phasesdata", "events", "detectors", "dt15", "dthealth"});
        const QList<QDate> days{QDate(2024, 3, 31), QDate(2024, 10, 27)};
        const QVector<QTime> phaseTimes{QTime(1, 45), QTime(2, 15), QTime(2, 45), QTime(3, 15)};
        // Signal group 1 from 02:00 on, in seconds: the last outside the hour.
        const QVector<QPoint> sgRecords{{0, 4}, {30, 1}, {70, 4}, {130, 1}, {150, 4}, {3590, 1}, {3600, 4}};
        const bool pg = reference.driverName() == QLatin1String("QPSQL");
        const auto stamp = [](const QDate &d, const QTime &t) { return d.toString("''yyyy-MM-dd ") + t.toString("hh:mm:ss''"); };
        QStringList phases, events, dt15, health;
        for (const QDate &d : days) {
            for (int i = 0; i < phaseTimes.size(); ++i)
                phases << QString("(%1,%2,1,%3,0)").arg(object).arg(stamp(d, phaseTimes.at(i))).arg(30 + i);
            for (const QPoint &s : {QPoint(100, 1), QPoint(140, 3)}) // control sources at 01:40 and 02:20
                events << QString("(%1,%2,2,%3,NULL,0)").arg(object).arg(stamp(d, QTime(0, 0).addSecs(60 * s.x()))).arg(s.y());
            for (int i = 0; i < sgRecords.size(); ++i) {
                const QString hex = SignalGroupEvent::encode(1, sgRecords.at(i).y()).toHex();
                events << QString("(%1,%2,7,5,%3,%4)").arg(object).arg(stamp(d, QTime(2, 0).addSecs(sgRecords.at(i).x())))
                              .arg(QString(pg ? "decode('%1','hex')" : "unhex('%1')").arg(hex)).arg(i);
            }
            for (int q = 0; q < 24; ++q)
                dt15 << QString("(%1,1,%2,%3,1,50,0)").arg(object).arg(stamp(d, QTime(0, 0).addSecs(900 * q))).arg(q);
            for (int k = -1; k <= 1; ++k)
                health << QString("(%1,1,%2,90)").arg(object).arg(sqlDay(d.addDays(k)));
        }
        QVERIFY(run("insert into phasesdata (objectid,time,phaseid,length,promtact) values " + phases.join(',')));
        QVERIFY(run(QString("insert into events (objectid,time,type,value,data,%1) values %2")
                        .arg(quoted("index"), events.join(','))));
        QVERIFY(run(QString("insert into detectors (objectid,id,collect) values (%1,1,true)").arg(object)));
        QVERIFY(run("insert into dt15 (objectid,detectorid,time,intensity,occupancy,speed,state) values " + dt15.join(',')));
        QVERIFY(run("insert into dthealth (objectid,detectorid,date,health) values " + health.join(',')));

        const auto key = [](const QDate &d, const QTime &t) { return secs(written(d, t)); };
        // What the axis prints at its ticks is the time there as written.
        const auto labelledAsWritten = [](QCPAxis *axis, const QString &format) {
            axis->parentPlot()->replot();
            for (int i = 0; i < axis->tickVector().size(); ++i)
                if (axis->tickVectorLabels().value(i) != WallClock::fromKey(axis->tickVector().at(i)).toString(format))
                    return false;
            return !axis->tickVector().isEmpty();
        };
        auto phasesView = loaded(facade.createPhasesWidget(object));
        auto sgView = loaded(facade.createSGWidget(object));
        auto dtView = loaded(facade.createDtWidget(object, {1}));
        auto statView = loaded(facade.createDtStatWidget(object, {1}));
        for (const QDate &d : days) {
            QVERIFY(showDate(phasesView.get(), d));
            ChartWidget *c = chart(phasesView.get());
            QVector<QPointF> expected;
            for (int i = 0; i < phaseTimes.size(); ++i)
                expected << QPointF(key(d, phaseTimes.at(i)), 30 + i);
            QCOMPARE(points(c->series(1)), expected);
            const auto *band = qobject_cast<GanttSeries *>(series(c, "State"));
            QCOMPARE(band->barCount(), 2);
            QCOMPARE((QVector<double>{band->bar(0).from, band->bar(0).to, band->bar(1).to}),
                     (QVector<double>{key(d, QTime(1, 40)), key(d, QTime(2, 20)), key(d, phaseTimes.last())}));
            QVERIFY(c->dataTable().contains({"Phase 1", d.toString("yyyy-MM-dd") + " 02:15:00", "31"}));
            QVERIFY(labelledAsWritten(c->plot()->xAxis, "hh:mm:ss"));
            checkExport(phasesView.get());

            auto *start = sgView->findChild<QDateTimeEdit *>("dateTimeEdit");
            start->setDateTime(written(d, QTime(2, 0)));
            QVERIFY(click(sgView.get(), "hourData"));
            QCOMPARE(start->dateTime(), written(d, QTime(2, 0)));
            const double h = key(d, QTime(2, 0));
            QCOMPARE(points(xy(sgView.get())->series(1)), (QVector<QPointF>{{h + 30, 40}, {h + 130, 20}}));
            QCOMPARE(points(cycles(sgView.get())->series(1)), (QVector<QPointF>{{h + 70, 70}, {h + 150, 80}}));
            QVector<QPointF> spans;
            for (int i = 0; i < bars(sgView.get())->barCount(); ++i)
                spans << QPointF(bars(sgView.get())->x1(i) - h, bars(sgView.get())->x2(i) - h);
            QCOMPARE(spans, (QVector<QPointF>{{0, 30}, {30, 70}, {70, 130}, {130, 150}, {150, 3590}}));
            QVERIFY(labelledAsWritten(timeline(sgView.get())->plot()->xAxis, "hh:mm:ss"));
            checkExport(sgView.get());

            QVector<QPointF> quarters;
            for (int q = 0; q < 24; ++q)
                quarters << QPointF(key(d, QTime(0, 0)) + 900 * q, q);
            QVERIFY(showDate(dtView.get(), d));
            QCOMPARE(points(chart(dtView.get())->series(2)), quarters);
            checkExport(dtView.get());
            QVERIFY(showDate(statView.get(), d));
            const auto *candles = qobject_cast<BoxAndWhiskersSeries *>(chart(statView.get())->series(1));
            QVector<QPointF> medians;
            for (int i = 0; candles && i < candles->pointsCount(); ++i)
                medians << QPointF(candles->candle(i).x, candles->candle(i).median);
            QCOMPARE(medians, quarters);
            QCOMPARE(points(chart(statView.get())->series(3)), quarters);
            checkExport(statView.get());

            auto healthView = loaded(facade.createDtHealthHistoryView(object, 1));
            QVERIFY(showDate(healthView.get(), d.addDays(1), "end") && showDate(healthView.get(), d.addDays(-1), "start"));
            QCOMPARE(points(chart(healthView.get())->seriesList().value(0)),
                     (QVector<QPointF>{{key(d, QTime(0, 0)) - 86400, 90}, {key(d, QTime(0, 0)), 90},
                                       {key(d, QTime(0, 0)) + 86400, 90}}));
        }
    }

    void undecodableEvent_data() { TestServers::addServerRows(); }

    // The host cannot decode an event in the middle of an hour: the rows
    // before it are shown (the same bytes decoded again and again), the load
    // ends there and says why.
    void undecodableEvent()
    {
        USE_ROW_SERVER();
        const uint object = 905;
        const auto cleanUp = ownRows(object, {"events"});
        const QDate day(2024, 3, 6);
        const bool pg = reference.driverName() == QLatin1String("QPSQL");
        const QVector<QPoint> records{{0, 4}, {30, 1}, {60, 4}, {90, 1}, {100, -1}, {120, 4}, {150, 1}, {180, 4}};
        QStringList events;
        for (int i = 0; i < records.size(); ++i) {
            const QPoint r = records.at(i);
            const QByteArray bytes = r.y() < 0 ? QByteArray("\x01\x00\x00", 3) : SignalGroupEvent::encode(1, r.y());
            events << QString("(%1,'%2',7,5,%3,%4)").arg(object)
                          .arg(written(day, QTime(10, 0).addSecs(r.x())).toString("yyyy-MM-dd hh:mm:ss"))
                          .arg(QString(pg ? "decode('%1','hex')" : "unhex('%1')").arg(QString(bytes.toHex()))).arg(i);
        }
        QVERIFY(run(QString("insert into events (objectid,time,type,value,data,%1) values %2")
                        .arg(quoted("index"), events.join(','))));
        auto view = loaded(facade.createSGWidget(object));
        view->findChild<QDateTimeEdit *>("dateTimeEdit")->setDateTime(written(day, QTime(10, 0)));
        QVERIFY(click(view.get(), "hourData"));
        const double h = secs(written(day, QTime(10, 0)));
        QCOMPARE(points(xy(view.get())->series(1)), (QVector<QPointF>{{h + 30, 30}}));
        QCOMPARE(bars(view.get())->barCount(), 3);
        const QStringList lines = texts(view->findChild<QComboBox *>("log"));
        QVERIFY2(lines.last().endsWith("Internal error: cannot decode event"), qPrintable(lines.join('\n')));
    }

    void fromServer_data() { TestServers::addServerRows(); }

    // A day and a week of phases; an hour and a week of signal groups against
    // open periods computed here from the stored events.
    void fromServer()
    {
        USE_ROW_SERVER();
        const QDate day = TestServers::day();
        auto view = loaded(facade.createPhasesWidget(1));
        for (int days : {1, 7}) {
            QVERIFY(days == 1 ? showDate(view.get(), day) : click(view.get(), "weekData"));
            int shown = 0;
            for (ChartSeries *s : chart(view.get())->seriesList())
                shown += s->name().startsWith("Phase ") ? s->pointsCount() : 0;
            const QString phases = QStringLiteral("select count(*) from phasesdata where objectid=1 and "
                                                  "length+promtact<=1000 and time >= %1 and time < %2");
            QCOMPARE(shown, rows(phases.arg(sqlDay(day), sqlDay(day.addDays(days)))).value(0).value(0).toInt());
            checkExport(view.get());
        }

        view = loaded(facade.createSGWidget(1));
        for (bool week : {false, true}) {
            const QDateTime start(week ? day.addDays(1 - day.dayOfWeek()) : day, QTime(week ? 0 : 8, 0));
            const QDateTime end = week ? start.addDays(7) : start.addSecs(3600);
            QVERIFY(!week || click(view.get(), "weekData"));
            view->findChild<QDateTimeEdit *>("dateTimeEdit")->setDateTime(start);
            QVERIFY(click(view.get(), "updateData"));
            QMap<int, QVector<QPointF>> expected;
            QHash<int, QDateTime> openSince; // the groups seen closed; when open, since when
            const QString format = QStringLiteral("''yyyy-MM-dd hh:mm:ss''");
            const QString events = QStringLiteral("select time,data from events where objectid=1 and type=7 and "
                                                  "value=5 and time >= %1 and time < %2 order by time");
            for (const QVariantList &row : rows(events.arg(start.toString(format), end.toString(format)))) {
                int group = 0, state = 0;
                QVERIFY(SignalGroupEvent::decode(row.at(1).toByteArray(), &group, &state));
                const bool open = state >= 1 && state <= 3;
                if (!openSince.contains(group)) {
                    if (!open)
                        openSince.insert(group, QDateTime());
                    continue;
                }
                QDateTime &since = openSince[group];
                if (open && !since.isValid())
                    since = row.at(0).toDateTime();
                else if (!open && since.isValid())
                    expected[group] << QPointF(secs(since), since.secsTo(row.at(0).toDateTime()));
                if (!open)
                    since = QDateTime();
            }
            QVERIFY(expected.size() >= 2);
            for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
                QCOMPARE(points(xy(view.get())->series(it.key())), it.value());
                // The plan's 120 s cycle, give or take the 2 s the green varies.
                const QVector<QPointF> lengths = points(cycles(view.get())->series(it.key()));
                QVERIFY(lengths.size() >= 25);
                for (int i = 1; i < lengths.size(); ++i)
                    QVERIFY2(std::abs(lengths.at(i).y() - 120) <= 2, qPrintable(QString::number(lengths.at(i).y())));
                const double row = timeline(view.get())->yAxis()->customLabels().key(QString("SG %1").arg(it.key()));
                const cwsimple::ColorHBoxSeries *b = bars(view.get());
                QVector<QPointF> spans;
                for (int i = 0; i < b->barCount(); ++i)
                    if (b->y(i) == row)
                        spans << QPointF(b->x1(i), b->x2(i));
                QVERIFY(spans.size() >= 3 * lengths.size());
                for (int i = 1; i < spans.size(); ++i)
                    QCOMPARE(spans.at(i).x(), spans.at(i - 1).y());
            }
            checkExport(view.get());
        }
    }
};

int main(int argc, char *argv[])
{
    // Central European time, before anything reads the local zone: clocks
    // go forward on the last Sunday of March, back on the last Sunday of
    // October (the rule of Europe/Berlin, without the zone database).
    qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    tzset();
    QApplication app(argc, argv);
    SignalViewsTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_signalviews.moc"
