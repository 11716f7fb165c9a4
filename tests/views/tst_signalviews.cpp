// The phase and signal-group views, fed as their workers feed them and
// loaded from the servers; in a zone with daylight saving.
#include "ViewTest.h"

#include "HostKernel.h"
#include "SignalGroupEvent.h"
#include "views/SGView.h"

#include <QDateTimeEdit>
#include <QSpinBox>
#include <QtTest>

#include <ctime>

class SignalViewsTest : public ViewTest
{
    Q_OBJECT

private:
    static QDateTime at(int h, int m) { return QDateTime(QDate(2024, 3, 6), QTime(h, m)); }
    static QDateTime local(int y, int mo, int d, int h = 0, int mi = 0) { return {QDate(y, mo, d), QTime(h, mi)}; }
    static ChartWidget *xy(QWidget *v) { return chart(v, "xy_chart"); }
    static ChartWidget *cycles(QWidget *v) { return chart(v, "cycle_chart"); }
    static cwsimple::Chart *timeline(QWidget *v) { return v->findChild<cwsimple::Chart *>("tl_chart"); }
    static cwsimple::ColorHBoxSeries *bars(QWidget *v)
    {
        return static_cast<cwsimple::ColorHBoxSeries *>(timeline(v)->findSeries(1));
    }

private slots:
    void initTestCase()
    {
        // Central European time: clocks go forward on the last Sunday of
        // March, back on the last Sunday of October.
        qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
        tzset();
        Q_INIT_RESOURCE(LumoView);
        // The host's decoder of signal-group events.
        new Road::Kernel(QCoreApplication::instance());
    }

    // A point per phase up to a length of 1000; the control source as a band
    // up to the last phase; moving averages where a phase has enough points.
    void phasesFed()
    {
        use();
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
    }

    void signalGroupsFed_data()
    {
        QTest::addColumn<QDateTime>("base");
        QTest::newRow("plain day") << at(10, 0);
        // The second record is the last before the clocks go forward.
        QTest::newRow("daylight saving begins") << local(2024, 3, 31, 1, 59);
    }

    // Open periods, cycles from opening to opening, a timeline bar per record
    // in its state's colours, rows by group number kept by a new load.
    void signalGroupsFed()
    {
        QFETCH(QDateTime, base);
        use();
        auto view = opened(facade.createSGWidget(1));
        const QVector<QPoint> never{{0, 0}, {1, 16}, {2, 20}, {3, 9}, {4, 0}}; // a group that never opens
        for (const QPoint &r : never)
            deliver(view.get(), "on_db_lumoSgData", base.addSecs(r.x()), 7, r.y());
        deliver(view.get(), "on_db_lumoSgData", base.addSecs(-60), 2, 1); // before its first closed record: ignored
        const QVector<QPoint> records{{0, 4}, {30, 1}, {60, 4}, {120, 1}, {140, 4}, {180, 0}};
        for (const QPoint &r : records)
            deliver(view.get(), "on_db_lumoSgData", base.addSecs(r.x()), 2, r.y());
        deliver(view.get(), "on_db_complete");
        const double t0 = secs(base);
        QCOMPARE(points(xy(view.get())->series(2)), (QVector<QPointF>{{t0 + 30, 30}, {t0 + 120, 20}}));
        QCOMPARE(points(cycles(view.get())->series(2)), (QVector<QPointF>{{t0 + 60, 60}, {t0 + 140, 80}}));
        QVERIFY(xy(view.get())->series(7) && points(xy(view.get())->series(7)).isEmpty());
        // The bars by row and start, in black, yellow, red and yellow, red,
        // green; closed to closed (the last) is no point.
        QStringList shown;
        cwsimple::ColorHBoxSeries *b = bars(view.get());
        for (int i = 0; i < b->barCount(); ++i)
            shown << QString("%1 %2 %3").arg(b->y(i)).arg(b->x1(i) - t0).arg(b->firstColor(i).name())
                         + (b->secondColor(i).isValid() ? '/' + b->secondColor(i).name() : QString());
        shown.sort();
        QCOMPARE(shown, (QStringList{"1 0 #000000", "1 1 #ffff00", "1 2 #ff0000/#ffff00", "1 3 #000000", "2 0 #ff0000",
                                     "2 120 #00ff00", "2 140 #ff0000", "2 30 #00ff00", "2 60 #ff0000"}));

        auto *smooth = view->findChild<QCheckBox *>("averaging");
        smooth->click();
        ChartSeries *own = xy(view.get())->series(2);
        QVERIFY(!own->isVisible() && series(xy(view.get()), "SG 2 (avg)")->pointsCount() == own->pointsCount());
        smooth->click();
        QVERIFY(own->isVisible() && !series(xy(view.get()), "SG 2 (avg)"));
        // Binomial smoothing over nine points, wrapping at the ends.
        QCOMPARE(SGView::smoothed({0, 0, 0, 0, 256, 0, 0, 0, 0}), (QVector<double>{1, 8, 28, 56, 70, 56, 28, 8, 1}));
        QCOMPARE(SGView::smoothed({5, 5, 5}), (QVector<double>{5, 5, 5}));

        deliver(view.get(), "on_updateData_clicked", false);
        deliver(view.get(), "on_db_lumoSgData", base.addSecs(300), 2, 0);
        deliver(view.get(), "on_db_complete");
        QVERIFY(xy(view.get())->series(7) && cycles(view.get())->series(7));
        const QMap<double, QString> labels = timeline(view.get())->yAxis()->customLabels();
        QCOMPARE(labels.value(2.0) + labels.value(1.0), QStringLiteral("SG 2SG 7"));
    }

    void dateSteps_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QDateTime>("from");
        QTest::addColumn<bool>("forward");
        QTest::addColumn<QDateTime>("to");
        QTest::newRow("a 23-hour day") << "hourData" << local(2026, 3, 28, 12) << true << local(2026, 3, 29, 12);
        // 02:00 does not exist on the last Sunday of March: the hour after.
        QTest::newRow("into the skipped hour") << "hourData" << local(2026, 3, 28, 2, 30) << true
                                               << local(2026, 3, 29, 3);
        QTest::newRow("back over the 25-hour day") << "dayData" << local(2026, 10, 26, 14) << false
                                                   << local(2026, 10, 25);
        QTest::newRow("a week from a Wednesday over the year end")
            << "weekData" << local(2026, 12, 30, 10) << true << local(2027, 1, 4);
    }

    // The mode sets the start; the arrows move it by a day or a week, the
    // same wall-clock time, and refresh once.
    void dateSteps()
    {
        QFETCH(QString, mode);
        QFETCH(QDateTime, from);
        QFETCH(bool, forward);
        QFETCH(QDateTime, to);
        use();
        auto view = opened(facade.createSGWidget(1));
        // Each load is ended by hand: the server is not there.
        const auto ended = [&view] {
            QCoreApplication::processEvents();
            deliver(view.get(), "on_db_complete");
        };
        ended();
        auto *edit = view->findChild<QDateTimeEdit *>("dateTimeEdit");
        edit->setDateTime(from);
        view->findChild<QPushButton *>(mode)->click();
        ended();
        QSignalSpy refreshed(view->findChild<QPushButton *>("updateData"), &QPushButton::clicked);
        view->findChild<QAbstractButton *>(forward ? "nextDay" : "previousDay")->click();
        QCOMPARE(edit->dateTime(), to);
        QCOMPARE(refreshed.count(), 1);
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

QTEST_MAIN(SignalViewsTest)
#include "tst_signalviews.moc"
