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

#include <QtTest>

class TestChartWidget : public QObject
{
    Q_OBJECT

    // What the user sees at key `x`, value `y` of a 600 × 400 chart.
    static QColor pixel(ChartWidget &chart, double x, double y)
    {
        const QImage image = chart.plot()->toPixmap(600, 400).toImage();
        return image.pixel(int(chart.plot()->xAxis->coordToPixel(x)), int(chart.plot()->yAxis->coordToPixel(y)));
    }
    static QPoint at(ChartWidget &chart, double x, double y)
    {
        return QPoint(int(chart.plot()->xAxis->coordToPixel(x)), int(chart.plot()->yAxis->coordToPixel(y)));
    }

private slots:
    // Ids chosen by the caller or given out past them; a replaced or
    // removed series goes with its plottable; clear() empties everything
    // and frees the ids. Series without a colour of their own get distinct
    // ones.
    void seriesBookkeeping()
    {
        ChartWidget chart;
        auto *a = new LineSeries, *b = new LineSeries, *c = new LineSeries;
        c->setColor(Qt::magenta);
        chart.addSeries(a, 1000);
        chart.addSeries(b, 1001);
        const int autoId = chart.addSeries(c);
        QVERIFY(autoId != 1000 && autoId != 1001);
        QCOMPARE(chart.seriesList(), (QList<ChartSeries *>{a, b, c}));
        QVERIFY(a->color() != b->color());
        QCOMPARE(c->color(), QColor(Qt::magenta));

        QPointer<ChartSeries> replaced = a, removed = b;
        auto *a2 = new PointSeries(1);
        chart.addSeries(a2, 1000);
        chart.removeSeries(1001);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(replaced.isNull() && removed.isNull());
        QCOMPARE(chart.series(1000), a2);
        QVERIFY(!chart.series(1001));
        QCOMPARE(chart.plot()->plottableCount(), 2);

        chart.addVLine(new VLine(QDateTime::currentDateTime(), Qt::red, 2));
        chart.clear();
        QVERIFY(!chart.series(1000) && !chart.series(autoId) && chart.seriesList().isEmpty());
        QCOMPARE(chart.vlineCount(), 0);
        QCOMPARE(chart.plot()->plottableCount() + chart.plot()->itemCount(), 0);
        chart.addSeries(new LineSeries, 1000);
        QVERIFY(chart.series(1000));
    }

    // A flood of points is drawn once per refresh period, and a steady
    // stream still gets drawn (the timer must not restart on every change).
    void replotsCoalescedNotStarved()
    {
        ChartWidget chart;
        chart.setRefreshTimeout(50);
        auto *line = new LineSeries;
        chart.addSeries(line, 1);
        for (int i = 0; i < 10000; ++i)
            line->addXY(i, i % 7);
        QCOMPARE(chart.replotCount(), 0);
        QTest::qWait(200);
        QCOMPARE(chart.replotCount(), 1);
        QCOMPARE(chart.plot()->graph(0)->dataCount(), 10000);
        QTest::qWait(100);
        QCOMPARE(chart.replotCount(), 1);
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; clock.elapsed() < 400; ++i) {
            line->addXY(i, i);
            QTest::qWait(5);
        }
        QVERIFY2(chart.replotCount() >= 4, qPrintable(QString::number(chart.replotCount())));
    }

    // A date-time is one instant whatever its zone.
    void dateTimeKeys()
    {
        const QDateTime utc(QDate(2024, 3, 5), QTime(7, 8, 9, 250), Qt::UTC);
        const QDateTime offset(QDate(2024, 3, 5), QTime(9, 8, 9, 250), Qt::OffsetFromUTC, 7200);
        LineSeries line;
        line.addXY(offset, 1.0);
        BoxAndWhiskersSeries box;
        box.addCandle(offset, 5, 1, 9, 3, 7);
        QCOMPARE(line.point(0).x(), utc.toMSecsSinceEpoch() / 1000.0);
        QCOMPARE(box.candle(0).x, utc.toMSecsSinceEpoch() / 1000.0);
    }

    // Gantt bars in their colour (an invalid one follows the series'), the
    // band row (-1) below every data row, a translucent high-low band, a
    // vertical line.
    void drawn()
    {
        ChartWidget chart;
        chart.plot()->resize(600, 400);
        chart.legend()->setVisible(false);
        auto *gantt = new GanttSeries;
        gantt->addBar(0, 10, 1, QColor(), QStringLiteral("green phase"));
        gantt->addBar(10, 20, 1, Qt::yellow, QStringLiteral("amber"));
        gantt->addBar(0, 100, -1.0, Qt::blue, QStringLiteral("band"));
        gantt->addBar(0, 50, 0.0, Qt::red, QStringLiteral("row 0"));
        chart.addSeries(gantt, 1);
        gantt->setColor(Qt::darkGreen);
        auto *high = new HighLowSeries;
        high->setColor(Qt::blue);
        high->addPoint(60, 2, 8);
        high->addPoint(100, 2, 8);
        chart.addSeries(high, 2);
        chart.addVLine(new VLine(QDateTime::fromMSecsSinceEpoch(80000, Qt::UTC), Qt::red, 3));
        chart.replotNow();
        QCOMPARE(pixel(chart, 5, 1.25), QColor(Qt::darkGreen));
        QCOMPARE(pixel(chart, 15, 1.25), QColor(Qt::yellow));
        const double bandTop = chart.plot()->axisRect()->rect().bottom() - 2 - BarPlottable::bandPixelHeight();
        QVERIFY(chart.plot()->yAxis->coordToPixel(-0.4) < bandTop);
        QCOMPARE(QColor(chart.plot()->toPixmap(600, 400).toImage().pixel(at(chart, 75, 0).x(), int(bandTop) + 5)),
                 QColor(Qt::blue));
        const QColor inside = pixel(chart, 70, 3);
        QVERIFY(inside.blue() > inside.red() + 40 && inside != QColor(Qt::blue));
        QCOMPARE(pixel(chart, 70, 8.5), QColor(Qt::white));
        QCOMPARE(pixel(chart, 80, 3), QColor(Qt::red));
    }

    // Tooltips name the series and the point under the cursor, none
    // between points or when switched off.
    void tooltips()
    {
        ChartWidget chart;
        chart.enableTooltip(true);
        chart.plot()->resize(600, 400);
        chart.axes()->bottom()->setDatetime(true);
        const QDateTime t(QDate(2024, 1, 1), QTime(12, 0), Qt::UTC);
        const double t0 = ChartSeries::toKey(t);
        auto *points = new PointSeries(1);
        points->setName(QStringLiteral("detector 4"));
        points->addXY(t, 3.0, QStringLiteral("occupied"));
        points->addXY(t.addSecs(60), 5.0, QStringLiteral("free"));
        chart.addSeries(points, 1);
        auto *gantt = new GanttSeries;
        gantt->addBar(t0 + 120, t0 + 180, 2, Qt::green, QStringLiteral("SG 2 green"));
        chart.addSeries(gantt, 2);
        auto *box = new BoxAndWhiskersSeries;
        box->setName(QStringLiteral("queue"));
        box->addCandle(t0 + 240, 5, 1, 9, 4, 6);
        box->addCandle(t0 + 300, 5, 1, 9, 4, 6);
        chart.addSeries(box, 3);
        chart.replotNow();
        const QString near = chart.tooltipTextAt(at(chart, t0, 3.0) + QPoint(2, 0));
        QVERIFY2(near.contains("occupied") && near.contains("detector 4") && !near.contains("free"), qPrintable(near));
        QVERIFY(near.contains(t.toLocalTime().toString(QStringLiteral("hh:mm:ss"))));
        QVERIFY(chart.tooltipTextAt(at(chart, t0 + 30, 4.0)).isEmpty());
        const QString bar = chart.tooltipTextAt(at(chart, t0 + 150, 2));
        QVERIFY2(bar.contains("SG 2 green") && bar.contains(t.addSecs(180).toLocalTime().toString("hh:mm")),
                 qPrintable(bar));
        QVERIFY(chart.tooltipTextAt(at(chart, t0 + 150, 2.6)).isEmpty());
        const QString candle = chart.tooltipTextAt(at(chart, t0 + 240, 5));
        QVERIFY2(candle.contains("queue") && candle.contains("median 5"), qPrintable(candle));
        points->enableTooltip(false);
        QVERIFY(chart.tooltipTextAt(at(chart, t0, 3.0) + QPoint(2, 0)).isEmpty());
    }

    // A click on the legend hides a series (its entry greyed) and shows it
    // again.
    void legendClickTogglesSeries()
    {
        ChartWidget chart;
        auto *line = new LineSeries;
        line->setName(QStringLiteral("flow"));
        line->addXY(0, 1);
        chart.addSeries(line, 1);
        chart.replotNow();
        QCPLegend *legend = chart.plot()->legend;
        QCPPlottableLegendItem *item = legend->itemWithPlottable(chart.plot()->plottable(0));
        QCOMPARE(item->plottable()->name(), QStringLiteral("flow"));
        for (const bool visible : {false, true}) {
            emit chart.plot()->legendClick(legend, item, nullptr);
            QCOMPARE(line->isVisible(), visible);
            QCOMPARE(chart.plot()->plottable(0)->visible(), visible);
            QCOMPARE(item->textColor() == QColor(Qt::black), visible);
        }
    }

    // Axes follow the data until locked (a locked axis is no longer zoomed
    // or dragged) or until the user zooms; a double click or new data
    // after clear() follow it again. Date-time charts pan sideways only.
    void axes()
    {
        ChartWidget chart;
        chart.plot()->resize(500, 300);
        auto *line = new LineSeries;
        line->addPoint(QPointF(10, 2));
        line->addPoint(QPointF(20, 8));
        chart.addSeries(line, 1);
        chart.replotNow();
        Axis *bottom = chart.axes()->bottom();
        Axis *left = chart.axes()->left();
        QCOMPARE(bottom->minimum(), 10.0);
        QCOMPARE(bottom->maximum(), 20.0);
        QVERIFY(left->minimum() <= 2.0 && left->maximum() >= 8.0);
        left->setScaleLock(true);
        left->setRange(-100, 100);
        line->addPoint(QPointF(30, 500));
        chart.replotNow();
        QCOMPARE(left->maximum(), 100.0);
        QCOMPARE(bottom->maximum(), 30.0);
        QCPAxisRect *rect = chart.plot()->axisRect();
        QVERIFY(!rect->rangeZoomAxes(Qt::Vertical).contains(chart.plot()->yAxis));
        QVERIFY(!rect->rangeDragAxes(Qt::Vertical).contains(chart.plot()->yAxis));

        QWheelEvent wheel(QPointF(250, 150), QPointF(250, 150), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        emit chart.plot()->mouseWheel(&wheel);
        chart.plot()->xAxis->setRange(2, 3);
        line->addPoint(QPointF(40, 5));
        chart.replotNow();
        QCOMPARE(chart.plot()->xAxis->range(), QCPRange(2, 3));
        QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(250, 150), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        emit chart.plot()->mouseDoubleClick(&dbl);
        QCOMPARE(chart.plot()->xAxis->range(), QCPRange(10, 40));
        emit chart.plot()->mouseWheel(&wheel);
        chart.clear();
        auto *other = new LineSeries;
        other->addPoint(QPointF(100, 1));
        other->addPoint(QPointF(200, 2));
        chart.addSeries(other, 1);
        chart.replotNow();
        QCOMPARE(chart.plot()->xAxis->range(), QCPRange(100, 200));

        bottom->setDatetime(true);
        bottom->setDatetimeFormat(QStringLiteral("ddd\r\nhh:mm"));
        QCOMPARE(chart.plot()->xAxis->ticker().dynamicCast<QCPAxisTickerDateTime>()->dateTimeFormat(),
                 QStringLiteral("ddd\nhh:mm"));
        QVERIFY(rect->rangeDragAxes(Qt::Horizontal).contains(chart.plot()->xAxis));
        QVERIFY(rect->rangeDragAxes(Qt::Vertical).isEmpty());
    }

    void saveFiles()
    {
        ChartWidget chart;
        auto *line = new LineSeries;
        for (int i = 0; i < 100; ++i)
            line->addXY(i, i * i);
        chart.addSeries(line, 1);
        QTemporaryDir dir;
        QVERIFY(chart.savePng(dir.filePath("c.png")) && chart.savePdf(dir.filePath("c.pdf")));
        QVERIFY(!QImage(dir.filePath("c.png")).isNull());
        QFile pdf(dir.filePath("c.pdf"));
        QVERIFY(pdf.open(QIODevice::ReadOnly) && pdf.read(4) == "%PDF" && pdf.size() > 500);
    }
};

QTEST_MAIN(TestChartWidget)
#include "tst_chartwidget.moc"
