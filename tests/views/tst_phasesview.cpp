// The phase view fed as its worker feeds it, and loaded from the servers.
#include "TestServers.h"

#include "views/PhasesView.h"

#include "ChartWidget.h"
#include "GanttSeries.h"
#include "LineSeries.h"
#include "PointSeries.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QSqlQuery>
#include <QtTest>

#include <memory>

class PhasesViewTest : public QObject
{
    Q_OBJECT

private:
    QMutex dbMutex;
    QSqlDatabase offline;
    int connections = 0;

    std::unique_ptr<PhasesView> makeView(QSqlDatabase *db = nullptr)
    {
        auto view = std::make_unique<PhasesView>(nullptr, 1, db ? db : &offline, &dbMutex);
        view->resize(900, 500);
        QCoreApplication::processEvents(); // the queued first load starts
        return view;
    }
    static ChartWidget *chart(QWidget *view) { return view->findChild<ChartWidget *>("chart"); }
    static QDateTime at(int h, int m) { return QDateTime(QDate(2024, 3, 6), QTime(h, m)); }
    static double secs(const QDateTime &t) { return t.toMSecsSinceEpoch() / 1000.0; }

    static void phase(PhasesView *view, const QDateTime &t, int id, int length)
    {
        QVERIFY(QMetaObject::invokeMethod(view, "on_db_lumoPhaseData", Q_ARG(QDateTime, t), Q_ARG(int, id),
                                          Q_ARG(int, length)));
    }
    static void state(PhasesView *view, const QDateTime &t, int s)
    {
        QVERIFY(QMetaObject::invokeMethod(view, "on_db_lumoStateData", Q_ARG(QDateTime, t), Q_ARG(int, s)));
    }
    static void complete(PhasesView *view) { QVERIFY(QMetaObject::invokeMethod(view, "on_db_complete")); }

    static QList<ChartSeries *> averages(ChartWidget *c)
    {
        QList<ChartSeries *> lines;
        for (ChartSeries *s : c->seriesList())
            if (s->name().endsWith(" (avg)"))
                lines << s;
        return lines;
    }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<LogMessageType>("LogMessageType");
        offline = QSqlDatabase::addDatabase("QPSQL", "offline");
        offline.setHostName("127.0.0.1");
        offline.setPort(1);
    }

    void phasePoints()
    {
        auto view = makeView();
        QVERIFY(!chart(view.get())->isEnabled()); // loading
        phase(view.get(), at(10, 0), 5, 1000);
        phase(view.get(), at(10, 1), 5, 1001);
        phase(view.get(), at(10, 2), 5, 40);
        phase(view.get(), at(10, 3), 2, 30);
        complete(view.get());
        QVERIFY(chart(view.get())->isEnabled());
        auto *five = qobject_cast<PointSeries *>(chart(view.get())->series(5));
        QVERIFY(five);
        QCOMPARE(five->name(), QStringLiteral("Phase 5"));
        QCOMPARE(five->pointsCount(), 2);
        QCOMPARE(five->pt(0), QPointF(secs(at(10, 0)), 1000));
        QCOMPARE(five->pt(1).y(), 40.0);
        QVERIFY(chart(view.get())->series(2));
    }

    void controlSourceBand()
    {
        auto view = makeView();
        state(view.get(), at(10, 0), 1);
        state(view.get(), at(10, 20), 3);
        phase(view.get(), at(10, 30), 1, 20);
        complete(view.get());
        complete(view.get()); // the worker ending adds nothing
        GanttSeries *band = nullptr;
        for (ChartSeries *s : chart(view.get())->seriesList())
            if (s->name() == "State")
                band = qobject_cast<GanttSeries *>(s);
        QVERIFY(band);
        QCOMPARE(band->barCount(), 2);
        QCOMPARE(band->bar(0).from, secs(at(10, 0)));
        QCOMPARE(band->bar(0).to, secs(at(10, 20)));
        QCOMPARE(band->bar(0).color, QColor(Qt::green));
        QCOMPARE(band->bar(0).text, QStringLiteral("календарная автоматика"));
        QCOMPARE(band->bar(1).to, secs(at(10, 30)));
        QCOMPARE(band->bar(1).color, QColor(Qt::cyan));
        QCOMPARE(band->bar(1).text, QStringLiteral("АСУДД"));
        QCOMPARE(band->bar(1).y, -1.0);
    }

    void movingAverages()
    {
        auto view = makeView();
        for (int i = 0; i < 4; ++i)
            phase(view.get(), at(10, i), 1, 10 * (i + 1));
        phase(view.get(), at(11, 0), 2, 5);
        phase(view.get(), at(11, 1), 2, 6);
        complete(view.get());
        auto *averaging = view->findChild<QCheckBox *>("averaging");
        auto *points = view->findChild<QSpinBox *>("avgPoints");
        QCOMPARE(points->value(), 3);
        averaging->click();
        QList<ChartSeries *> lines = averages(chart(view.get()));
        QCOMPARE(lines.size(), 1); // phase 2 has too few points
        auto *line = qobject_cast<LineSeries *>(lines.first());
        QCOMPARE(line->name(), QStringLiteral("Phase 1 (avg)"));
        QCOMPARE(line->width(), 2);
        QCOMPARE(line->pointsCount(), 2);
        QCOMPARE(line->point(0), QPointF(secs(at(10, 2)), 20));
        QCOMPARE(line->point(1), QPointF(secs(at(10, 3)), 30));

        points->setValue(4);
        lines = averages(chart(view.get()));
        QCOMPARE(lines.size(), 1);
        QCOMPARE(qobject_cast<LineSeries *>(lines.first())->point(0).y(), 25.0);

        averaging->click();
        QVERIFY(averages(chart(view.get())).isEmpty());
        points->setValue(3); // unchecked: nothing happens
        QVERIFY(averages(chart(view.get())).isEmpty());

        // A reload with averaging checked shows no averages until touched.
        averaging->click();
        QCOMPARE(averages(chart(view.get())).size(), 1);
        view->findChild<QPushButton *>("updateData")->setEnabled(true);
        QMetaObject::invokeMethod(view.get(), "on_updateData_clicked", Q_ARG(bool, false));
        phase(view.get(), at(12, 0), 1, 1);
        phase(view.get(), at(12, 1), 1, 2);
        phase(view.get(), at(12, 2), 1, 3);
        complete(view.get());
        QVERIFY(averages(chart(view.get())).isEmpty());
        QCOMPARE(chart(view.get())->series(1)->pointsCount(), 3);
    }

    void weekModeAndLoad_data()
    {
        TestServers::addServerRows();
    }
    void weekModeAndLoad()
    {
        if (TestServers::available().isEmpty())
            QSKIP("No test servers: run through scripts/dbserver");
        QFETCH(QString, server);
        QSqlDatabase db = TestServers::connection(server, QStringLiteral("phases%1").arg(++connections));
        auto view = makeView(&db);
        auto *refresh = view->findChild<QPushButton *>("updateData");
        QTRY_VERIFY_WITH_TIMEOUT(refresh->isEnabled(), 20000);
        view->findChild<QDateEdit *>("dateEdit")->setDate(TestServers::day());
        QTRY_VERIFY_WITH_TIMEOUT(view->findChild<QFrame *>("frame")->isEnabled(), 30000);

        QSqlDatabase reference = TestServers::connection(server, QStringLiteral("phasesref%1").arg(connections));
        QVERIFY(reference.open());
        QSqlQuery q(reference);
        const QDate day = TestServers::day();
        QVERIFY(q.exec(QStringLiteral("select count(*) from phasesdata where objectid=1 and length+promtact<=1000 and "
                                      "time >= '%1' and time < '%2'").arg(day.toString(Qt::ISODate), day.addDays(1).toString(Qt::ISODate))));
        QVERIFY(q.next());
        int points = 0;
        for (ChartSeries *s : chart(view.get())->seriesList())
            if (s->name().startsWith("Phase "))
                points += s->pointsCount();
        QCOMPARE(points, q.value(0).toInt());

        view->findChild<QPushButton *>("weekData")->click();
        QCOMPARE(chart(view.get())->axes()->bottom()->datetimeFormat(), QStringLiteral("ddd\r\nhh:mm"));
        QTRY_VERIFY_WITH_TIMEOUT(!view->findChild<QFrame *>("frame")->isEnabled(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(view->findChild<QFrame *>("frame")->isEnabled(), 30000);
        QVERIFY(q.exec(QStringLiteral("select count(*) from phasesdata where objectid=1 and length+promtact<=1000 and "
                                      "time >= '%1' and time < '%2'").arg(day.toString(Qt::ISODate), day.addDays(7).toString(Qt::ISODate))));
        QVERIFY(q.next());
        points = 0;
        for (ChartSeries *s : chart(view.get())->seriesList())
            if (s->name().startsWith("Phase "))
                points += s->pointsCount();
        QCOMPARE(points, q.value(0).toInt());
        q = QSqlQuery();
    }
};

QTEST_MAIN(PhasesViewTest)
#include "tst_phasesview.moc"
