#include "Axis.h"
#include "BarPlottable.h"
#include "BoxAndWhiskersSeries.h"
#include "ChartAxes.h"
#include "ChartLegend.h"
#include "ChartWidget.h"
#include "GanttSeries.h"
#include "HighLowSeries.h"
#include "LineSeries.h"
#include "PointSeries.h"
#include "VLine.h"

#include <qcustomplot.h>

#include <QRandomGenerator>
#include <QtTest>

class TestChartWidget : public QObject
{
    Q_OBJECT

    ChartWidget *chart = nullptr;

    QPoint at(double x, double y) const
    {
        return QPoint(int(chart->plot()->xAxis->coordToPixel(x)), int(chart->plot()->yAxis->coordToPixel(y)));
    }
    // What the user sees at key `x`, value `y`.
    QColor pixel(double x, double y) const
    {
        chart->replotNow();
        return chart->plot()->toPixmap(600, 400).toImage().pixel(at(x, y));
    }
    LineSeries *line(std::initializer_list<QPointF> points, int id = 1)
    {
        auto *series = new LineSeries;
        for (const QPointF &p : points)
            series->addPoint(p);
        chart->addSeries(series, id);
        return series;
    }

private slots:
    void init()
    {
        chart = new ChartWidget;
        chart->plot()->resize(600, 400);
    }
    void cleanup() { delete chart; }

    // Ids chosen by the caller or given out past them; a replaced or
    // removed series goes; clear() empties everything and frees the ids.
    // Series without a colour of their own get distinct ones.
    void seriesBookkeeping()
    {
        LineSeries *a = line({}, 1000), *b = line({}, 1001);
        auto *c = new LineSeries;
        c->setColor(Qt::magenta);
        const int autoId = chart->addSeries(c);
        QVERIFY(autoId != 1000 && autoId != 1001);
        QCOMPARE(chart->seriesList(), (QList<ChartSeries *>{a, b, c}));
        QVERIFY(a->color() != b->color() && c->color() == QColor(Qt::magenta));
        QPointer<ChartSeries> replaced = a, removed = b;
        auto *a2 = new PointSeries(1);
        chart->addSeries(a2, 1000);
        chart->removeSeries(1001);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(replaced.isNull() && removed.isNull() && !chart->series(1001));
        QCOMPARE(chart->series(1000), a2);
        QCOMPARE(chart->plot()->plottableCount(), 2);
        chart->addVLine(new VLine(QDateTime::currentDateTime(), Qt::red, 2));
        chart->clear();
        QVERIFY(!chart->series(1000) && !chart->series(autoId) && chart->seriesList().isEmpty());
        QCOMPARE(chart->plot()->plottableCount() + chart->plot()->itemCount(), 0);
        line({}, 1000);
        QVERIFY(chart->series(1000));
    }

    // A flood of points is drawn once per refresh period, and a steady
    // stream still gets drawn (the timer must not restart on every change).
    void replotsCoalescedNotStarved()
    {
        chart->setRefreshTimeout(50);
        LineSeries *series = line({});
        for (int i = 0; i < 10000; ++i)
            series->addXY(i, i % 7);
        QCOMPARE(chart->replotCount(), 0);
        QTest::qWait(200);
        QCOMPARE(chart->replotCount(), 1);
        // Points that keep coming do not hold the replot off for good.
        int i = 0;
        QVERIFY(QTest::qWaitFor([&] {
            series->addXY(i, i);
            ++i;
            return chart->replotCount() >= 4;
        }, 20000));
    }

    // Gantt bars in their colour (an invalid one follows the series'), the
    // band row (-1) below every data row, a translucent high-low band, a
    // vertical line at its time.
    void drawn()
    {
        chart->legend()->setVisible(false);
        auto *gantt = new GanttSeries;
        gantt->addBar(0, 10, 1, QColor(), QStringLiteral("green phase"));
        gantt->addBar(10, 20, 1, Qt::yellow, QStringLiteral("amber"));
        gantt->addBar(0, 100, -1.0, Qt::blue, QStringLiteral("band"));
        gantt->addBar(0, 50, 0.0, Qt::red, QStringLiteral("row 0"));
        chart->addSeries(gantt, 1);
        gantt->setColor(Qt::darkGreen);
        auto *high = new HighLowSeries;
        high->setColor(Qt::blue);
        high->addPoint(60, 2, 8);
        high->addPoint(100, 2, 8);
        chart->addSeries(high, 2);
        chart->addVLine(new VLine(QDateTime::fromMSecsSinceEpoch(80000, Qt::UTC), Qt::red, 3));
        QCOMPARE(pixel(5, 1.25), QColor(Qt::darkGreen));
        QCOMPARE(pixel(15, 1.25), QColor(Qt::yellow));
        const int bandTop = chart->plot()->axisRect()->rect().bottom() - 2 - BarPlottable::bandPixelHeight();
        QVERIFY(at(0, -0.4).y() < bandTop);
        QCOMPARE(QColor(chart->plot()->toPixmap(600, 400).toImage().pixel(at(75, 0).x(), bandTop + 5)), QColor(Qt::blue));
        const QColor inside = pixel(70, 3);
        QVERIFY(inside.blue() > inside.red() + 40 && inside != QColor(Qt::blue));
        QCOMPARE(pixel(70, 8.5), QColor(Qt::white));
        QCOMPARE(pixel(80, 3), QColor(Qt::red));
    }

    void scatterSampledAsDrawnInFull_data()
    {
        QTest::addColumn<double>("from"); // the part of the points' span shown
        QTest::addColumn<double>("to");
        QTest::newRow("all") << 0.0 << 1.0;
        QTest::newRow("zoomed in") << 0.3 << 0.32;
        QTest::newRow("every point apart") << 0.5 << 0.5001;
    }

    // A hundred points per pixel column, a few of them far off the rest:
    // drawn one per pixel, the picture is the one of every point, at any
    // zoom; the points and their export stay exact.
    void scatterSampledAsDrawnInFull()
    {
        QFETCH(double, from);
        QFETCH(double, to);
        chart->legend()->setVisible(false);
        chart->setAntialiasing(false);
        QVector<QPointF> many;
        QRandomGenerator random(5);
        for (int i = 0; i < 50000; ++i)
            many << QPointF(i * 0.5, random.bounded(100) ? 20 + random.bounded(10) : random.bounded(200.0));
        auto *dots = new PointSeries(1);
        dots->addPoints(many);
        chart->addSeries(dots, 1);
        chart->replotNow();
        const QCPRange all = chart->plot()->xAxis->range();
        chart->plot()->xAxis->setRange(all.lower + from * all.size(), all.lower + to * all.size());
        const QImage sampled = chart->plot()->toPixmap(600, 400).toImage();
        chart->plot()->graph(0)->setAdaptiveSampling(false);
        QVERIFY(sampled == chart->plot()->toPixmap(600, 400).toImage());
        QCOMPARE(dots->points(), many);
        QCOMPARE(chart->dataTable().size(), many.size() + 1);
        QCOMPARE(chart->dataTable().value(77), (QStringList{"", "38", ChartSeries::tableValue(many.at(76).y())}));
    }

    void pointsTruncated_data()
    {
        QTest::addColumn<QVector<QPointF>>("points");
        QTest::addColumn<int>("kept");
        const QVector<QPointF> sorted{{1, 10}, {2, 20}, {3, 30}, {3, 31}, {3, 32}, {4, 40}};
        QTest::newRow("before a key shared") << sorted << 2;
        QTest::newRow("within a key shared") << sorted << 4;
        QTest::newRow("all") << sorted << 0;
        QTest::newRow("added out of order") << QVector<QPointF>{{5, 1}, {1, 2}, {3, 3}, {2, 4}} << 3;
    }

    // Cut back to its first points, a series holds and draws what a series
    // given only those holds and draws, and takes more after them.
    void pointsTruncated()
    {
        QFETCH(QVector<QPointF>, points);
        QFETCH(int, kept);
        const auto drawn = [](const ChartWidget &c) {
            QVector<QPointF> data;
            for (const QCPGraphData &d : *c.plot()->graph(0)->data())
                data << QPointF(d.key, d.value);
            return data;
        };
        auto *cut = new PointSeries(1);
        cut->addPoints(points);
        chart->addSeries(cut, 1);
        cut->truncate(kept);
        cut->addPoints({{9, 90}});
        ChartWidget whole;
        auto *built = new PointSeries(1);
        built->addPoints(points.mid(0, kept) << QPointF(9, 90));
        whole.addSeries(built, 1);
        QCOMPARE(cut->points(), built->points());
        QCOMPARE(drawn(*chart), drawn(whole));
    }

    // Axes follow the data until locked (a locked axis is no longer zoomed
    // or dragged) or until the user zooms; a double click or new data
    // after clear() follow it again.
    void axes()
    {
        LineSeries *series = line({{10, 2}, {20, 8}});
        chart->replotNow();
        Axis *bottom = chart->axes()->bottom(), *left = chart->axes()->left();
        QCOMPARE(QPair(bottom->minimum(), bottom->maximum()), QPair(10.0, 20.0));
        QVERIFY(left->minimum() <= 2.0 && left->maximum() >= 8.0);
        left->setScaleLock(true);
        left->setRange(-100, 100);
        series->addPoint(QPointF(30, 500));
        chart->replotNow();
        QCOMPARE(QPair(left->maximum(), bottom->maximum()), QPair(100.0, 30.0));
        QCPAxisRect *rect = chart->plot()->axisRect();
        QVERIFY(rect->rangeZoomAxes(Qt::Vertical).isEmpty() && rect->rangeDragAxes(Qt::Vertical).isEmpty());

        QWheelEvent wheel(QPointF(250, 150), QPointF(250, 150), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        emit chart->plot()->mouseWheel(&wheel);
        chart->plot()->xAxis->setRange(2, 3);
        series->addPoint(QPointF(40, 5));
        chart->replotNow();
        QCOMPARE(chart->plot()->xAxis->range(), QCPRange(2, 3));
        QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(250, 150), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        emit chart->plot()->mouseDoubleClick(&dbl);
        QCOMPARE(chart->plot()->xAxis->range(), QCPRange(10, 40));
        emit chart->plot()->mouseWheel(&wheel);
        chart->clear();
        line({{100, 1}, {200, 2}});
        chart->replotNow();
        QCOMPARE(chart->plot()->xAxis->range(), QCPRange(100, 200));

        bottom->setDatetime(true);
        bottom->setDatetimeFormat(QStringLiteral("ddd\r\nhh:mm"));
        QCOMPARE(chart->plot()->xAxis->ticker().dynamicCast<QCPAxisTickerDateTime>()->dateTimeFormat(),
                 QStringLiteral("ddd\nhh:mm"));
    }
};

QTEST_MAIN(TestChartWidget)
#include "tst_chartwidget.moc"
