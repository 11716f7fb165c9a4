// The detector statistics view fed as its worker feeds it, and loaded from the servers.
#include "TestServers.h"
#include "ViewIdle.h"

#include "views/DtStatView.h"

#include "BoxAndWhiskersSeries.h"
#include "ChartWidget.h"
#include "GanttSeries.h"
#include "HighLowSeries.h"
#include "LineSeries.h"

#include <QComboBox>
#include <QDateEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QSqlQuery>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

// Median of sorted values [begin, end).
double median(const QVector<double> &v, int begin, int end)
{
    const int n = end - begin;
    return n % 2 ? v.at(begin + n / 2) : (v.at(begin + n / 2 - 1) + v.at(begin + n / 2)) / 2;
}

// Tukey's hinges: the medians of the lower and upper half, the middle value
// belonging to both halves when the count is odd.
void hinges(QVector<double> v, double *q1, double *med, double *q3)
{
    std::sort(v.begin(), v.end());
    const int n = v.size();
    *med = median(v, 0, n);
    *q1 = median(v, 0, (n + 1) / 2);
    *q3 = median(v, n / 2, n);
}

} // namespace

class DtStatViewTest : public QObject
{
    Q_OBJECT

private:
    QMutex dbMutex;
    QSqlDatabase offline;
    int connections = 0;

    std::unique_ptr<DtStatView> makeView(const QStringList &detectors, QSqlDatabase *db = nullptr, uint object = 1)
    {
        auto view = std::make_unique<DtStatView>(nullptr, object, detectors, db ? db : &offline, &dbMutex);
        view->resize(1000, 500);
        QCoreApplication::processEvents();
        return view;
    }
    static ChartWidget *chart(QWidget *view) { return view->findChild<ChartWidget *>("chart"); }
    static double secs(const QDateTime &t) { return t.toMSecsSinceEpoch() / 1000.0; }

    static void stat(DtStatView *view, const QTime &t, double med, double min, double max, double q1, double q3)
    {
        QVERIFY(QMetaObject::invokeMethod(view, "on_db_lumoDtStatData", Q_ARG(QTime, t), Q_ARG(double, med),
                                          Q_ARG(double, min), Q_ARG(double, max), Q_ARG(double, q1),
                                          Q_ARG(double, q3)));
    }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<LogMessageType>("LogMessageType");
        offline = QSqlDatabase::addDatabase("QPSQL", "offline");
        offline.setHostName("127.0.0.1");
        offline.setPort(1);
    }

    void candleBandAndMedian()
    {
        auto view = makeView({"2"});
        const QDate day(2024, 3, 6);
        view->findChild<QDateEdit *>("dateEdit")->setDate(day);
        stat(view.get(), QTime(8, 0), 30, 10, 50, 20, 40);
        stat(view.get(), QTime(8, 15), 5, 5, 5, 5, 5);
        ChartWidget *c = chart(view.get());
        auto *candles = qobject_cast<BoxAndWhiskersSeries *>(c->series(1));
        auto *band = qobject_cast<HighLowSeries *>(c->series(2));
        auto *med = qobject_cast<LineSeries *>(c->series(4));
        QVERIFY(candles && band && med);
        const BoxAndWhiskersSeries::Candle first = candles->candle(0);
        QCOMPARE(first.x, secs(QDateTime(day, QTime(8, 0))));
        QCOMPARE(first.median, 30.0);
        QCOMPARE(first.min, 10.0);
        QCOMPARE(first.max, 50.0);
        QCOMPARE(first.q1, 20.0);
        QCOMPARE(first.q3, 40.0);
        QCOMPARE(band->lowAt(0), 0.0); // 20 - 30 raised to 0
        QCOMPARE(band->highAt(0), 70.0);
        QCOMPARE(band->lowAt(1), 5.0); // collapses
        QCOMPARE(band->highAt(1), 5.0);
        QCOMPARE(med->name(), QStringLiteral("Median"));
        QVERIFY(!med->isVisible());

        // The median stays hidden after a refresh whatever the user chose.
        med->setVisible(true);
        QVERIFY(QMetaObject::invokeMethod(view.get(), "on_updateData_clicked", Q_ARG(bool, false)));
        stat(view.get(), QTime(8, 0), 30, 10, 50, 20, 40);
        QVERIFY(!c->series(4)->isVisible());
        QCOMPARE(c->series(1)->pointsCount(), 1);
    }

    void healthOnTheShownDate()
    {
        auto view = makeView({"2"});
        const QDate day(2024, 3, 6);
        view->findChild<QDateEdit *>("dateEdit")->setDate(day);
        for (int m : {0, 15, 30})
            QVERIFY(QMetaObject::invokeMethod(view.get(), "on_db_lumoDt15StateData",
                                              Q_ARG(QDateTime, QDateTime(QDate(), QTime(8, m))),
                                              Q_ARG(int, m == 30 ? 4 : 0)));
        GanttSeries *health = nullptr;
        for (ChartSeries *s : chart(view.get())->seriesList())
            if (s->name() == "health")
                health = qobject_cast<GanttSeries *>(s);
        QVERIFY(health);
        QVERIFY(health->isVisible());
        QCOMPARE(health->barCount(), 2);
        QCOMPARE(health->bar(0).from, secs(QDateTime(day, QTime(8, 0))));
        QCOMPARE(health->bar(1).to, secs(QDateTime(day, QTime(8, 30))));
        QCOMPARE(health->bar(1).text, QStringLiteral("failures:4"));
    }

    // Candles against hinges computed here from the raw values of the same
    // weekdays, the selected day included.
    void candlesFromServer_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<int>("weeks");
        for (const QString &s : TestServers::available()) {
            QTest::newRow(qPrintable(s + " 4 weeks")) << s << 4;
            QTest::newRow(qPrintable(s + " 0 weeks")) << s << 0;
        }
    }
    void candlesFromServer()
    {
        if (TestServers::available().isEmpty())
            QSKIP("No test servers: run through scripts/dbserver");
        QFETCH(QString, server);
        QFETCH(int, weeks);
        const QString name = QStringLiteral("dts%1").arg(++connections);
        QSqlDatabase db = TestServers::connection(server, name);
        QSqlDatabase reference = TestServers::connection(server, name + "ref");
        QVERIFY(reference.open());
        const QDate day = TestServers::day();

        auto view = makeView({"1", "3"}, &db);
        QVERIFY(viewIdle(view.get()));
        auto *detectors = view->findChild<QComboBox *>("detectors");
        QCOMPARE(detectors->itemText(0), QStringLiteral("1+3"));
        QCOMPARE(detectors->currentText(), QStringLiteral("1+3"));
        view->findChild<QSpinBox *>("deepness")->setValue(weeks);
        view->findChild<QDateEdit *>("dateEdit")->setDate(day);
        view->findChild<QPushButton *>("updateData")->click();
        QVERIFY(viewIdle(view.get()));

        // Intensity of a selection is the sum over its detectors per time stamp.
        QSqlQuery q(reference);
        QStringList days;
        for (int w = 0; w <= weeks; ++w)
            days << QStringLiteral("'%1'").arg(day.addDays(-7 * w).toString("yyyy-MM-dd"));
        QVERIFY(q.exec(QStringLiteral("select time,sum(intensity) from dt15 where objectid=1 and detectorid in (1,3) "
                                      "and cast(time as date) in (%1) group by time").arg(days.join(','))));
        QMap<QTime, QVector<double>> history;
        QMap<QTime, double> selected;
        while (q.next()) {
            if (q.value(1).isNull())
                continue;
            const QDateTime t = q.value(0).toDateTime();
            history[t.time()] << q.value(1).toDouble();
            if (t.date() == day)
                selected.insert(t.time(), q.value(1).toDouble());
        }
        QVERIFY(history.size() > 90);
        auto *candles = qobject_cast<BoxAndWhiskersSeries *>(chart(view.get())->series(1));
        QVERIFY(candles);
        QCOMPARE(candles->pointsCount(), history.size());
        int i = 0;
        for (auto it = history.cbegin(); it != history.cend(); ++it, ++i) {
            double q1, med, q3;
            hinges(it.value(), &q1, &med, &q3);
            const BoxAndWhiskersSeries::Candle c = candles->candle(i);
            QCOMPARE(c.x, secs(QDateTime(day, it.key())));
            const auto close = [](double a, double b) { return std::abs(a - b) < 1e-6; };
            QVERIFY2(close(c.median, med) && close(c.q1, q1) && close(c.q3, q3), qPrintable(it.key().toString()));
            QVERIFY(close(c.min, *std::min_element(it.value().begin(), it.value().end())));
            QVERIFY(close(c.max, *std::max_element(it.value().begin(), it.value().end())));
            if (weeks == 0)
                QVERIFY(close(c.min, c.max));
        }
        auto *own = qobject_cast<LineSeries *>(chart(view.get())->series(3));
        QMap<QTime, double> drawn;
        for (int i = 0; i < own->pointsCount(); ++i) {
            if (!std::isnan(own->point(i).y()))
                drawn.insert(QDateTime::fromMSecsSinceEpoch(qint64(own->point(i).x() * 1000)).time(), own->point(i).y());
        }
        QCOMPARE(drawn.keys(), selected.keys());
        QCOMPARE(own->point(0), QPointF(secs(QDateTime(day, selected.firstKey())), selected.first()));
        q = QSqlQuery();
        view.reset();
    }

    // The generated day with missing values and states (object 2, detectors
    // 1+2): a value missing on the selected day is a gap and counts in no
    // candle; a time without any state is unknown, and what follows it shows.
    void nullValuesAndStates_data() { TestServers::addServerRows(); }
    void nullValuesAndStates()
    {
        if (TestServers::available().isEmpty())
            QSKIP("No test servers: run through scripts/dbserver");
        QFETCH(QString, server);
        QSqlDatabase db = TestServers::connection(server, QStringLiteral("dtsnull%1").arg(++connections));
        auto view = makeView({"1", "2"}, &db, 2);
        QVERIFY(viewIdle(view.get()));
        const QDate day = TestServers::day().addDays(-36);
        view->findChild<QSpinBox *>("deepness")->setValue(0);
        view->findChild<QDateEdit *>("dateEdit")->setDate(day);
        QVERIFY(viewIdle(view.get()));
        ChartWidget *c = chart(view.get());
        QCOMPARE(c->series(1)->pointsCount(), 3);
        auto *own = qobject_cast<LineSeries *>(c->series(3));
        QCOMPARE(own->pointsCount(), 4);
        QCOMPARE(own->point(1), QPointF(secs(QDateTime(day, QTime(8, 15))), 180));
        QVERIFY(std::isnan(own->point(2).y()));
        QCOMPARE(own->point(3), QPointF(secs(QDateTime(day, QTime(8, 45))), 200));
        QStringList texts;
        for (ChartSeries *s : c->seriesList()) {
            if (auto *health = qobject_cast<GanttSeries *>(s)) {
                for (int i = 0; i < health->barCount(); ++i)
                    texts << health->bar(i).text;
            }
        }
        QCOMPARE(texts, (QStringList{"unknown", "failures:4", "no failure"}));
        view.reset();
    }
};

QTEST_MAIN(DtStatViewTest)
#include "tst_dtstatview.moc"
