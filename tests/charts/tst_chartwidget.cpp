#include <QtTest>

#include "BoxAndWhiskersSeries.h"
#include "ChartAxes.h"
#include "ChartLegend.h"
#include "ChartWidget.h"
#include "GanttSeries.h"
#include "HighLowSeries.h"
#include "LineSeries.h"
#include "PointSeries.h"
#include "VLine.h"
#include "Axis.h"
#include "BarPlottable.h"

#include <qcustomplot.h>

class TestChartWidget : public QObject
{
    Q_OBJECT

private:
    static void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

private slots:
    void seriesBookkeeping()
    {
        ChartWidget chart;
        auto *a = new LineSeries;
        auto *b = new LineSeries;
        chart.addSeries(a, 1000);
        chart.addSeries(b, 1001);
        // Automatic ids must skip ids the caller already used.
        auto *c = new LineSeries;
        const int autoId = chart.addSeries(c);
        QVERIFY(autoId != 1000 && autoId != 1001);
        QCOMPARE(chart.series(autoId), c);
        QCOMPARE(chart.seriesIds(), QList<int>({1000, 1001, autoId}));
        QCOMPARE(chart.seriesList(), QList<ChartSeries *>({a, b, c}));
        QCOMPARE(chart.plot()->plottableCount(), 3);

        // Replacing deletes the old series and its plottable.
        QPointer<ChartSeries> old = a;
        auto *a2 = new PointSeries(1);
        chart.addSeries(a2, 1000);
        flushDeletes();
        QVERIFY(old.isNull());
        QCOMPARE(chart.series(1000), a2);
        QCOMPARE(chart.plot()->plottableCount(), 3);

        QPointer<ChartSeries> removed = b;
        chart.removeSeries(1001);
        QVERIFY(!chart.series(1001));
        flushDeletes();
        QVERIFY(removed.isNull());
        QCOMPARE(chart.plot()->plottableCount(), 2);
        QVERIFY(!chart.series(4242));

        chart.addVLine(new VLine(QDateTime::currentDateTime(), Qt::red, 2));
        QCOMPARE(chart.vlineCount(), 1);
        chart.clear();
        QVERIFY(!chart.series(1000));
        QVERIFY(!chart.series(autoId));
        QVERIFY(chart.seriesList().isEmpty());
        QCOMPARE(chart.vlineCount(), 0);
        QCOMPARE(chart.plot()->plottableCount(), 0);
        QCOMPARE(chart.plot()->itemCount(), 0);
        // Ids are free again after clear.
        chart.addSeries(new LineSeries, 1000);
        QVERIFY(chart.series(1000));
    }

    void defaultColours()
    {
        ChartWidget chart;
        auto *a = new LineSeries;
        auto *b = new LineSeries;
        auto *own = new LineSeries;
        own->setColor(Qt::magenta);
        chart.addSeries(a);
        chart.addSeries(b);
        chart.addSeries(own);
        QVERIFY(a->color() != b->color());
        QCOMPARE(own->color(), QColor(Qt::magenta));
    }

    void coalescesReplots()
    {
        ChartWidget chart;
        chart.setRefreshTimeout(50);
        QCOMPARE(chart.refreshTimeout(), 50);
        auto *line = new LineSeries;
        chart.addSeries(line, 1);
        for (int i = 0; i < 10000; ++i)
            line->addXY(i, i % 7);
        QCOMPARE(chart.replotCount(), 0);
        QTest::qWait(200);
        QCOMPARE(chart.replotCount(), 1);
        QCOMPARE(line->pointsCount(), 10000);
        QCOMPARE(chart.plot()->graph(0)->dataCount(), 10000);
        // Nothing changed: no further replots.
        QTest::qWait(120);
        QCOMPARE(chart.replotCount(), 1);
    }

    void dateTimeKeys()
    {
        const QDateTime utc(QDate(2024, 3, 5), QTime(7, 8, 9, 250), Qt::UTC);
        const QDateTime offset(QDate(2024, 3, 5), QTime(9, 8, 9, 250), Qt::OffsetFromUTC, 7200);
        const double secs = utc.toMSecsSinceEpoch() / 1000.0;

        LineSeries line;
        line.addXY(utc, 1.0);
        line.addXY(offset, 2.0); // same instant, other zone
        QCOMPARE(line.point(0).x(), secs);
        QCOMPARE(line.point(1).x(), secs);

        PointSeries points;
        points.addXY(utc, 3.0);
        QCOMPARE(points.pt(0), QPointF(secs, 3.0));

        HighLowSeries band;
        band.addPoint(utc, 1.0, 4.0);
        QCOMPARE(band.xAt(0), secs);
        QCOMPARE(band.lowAt(0), 1.0);
        QCOMPARE(band.highAt(0), 4.0);

        BoxAndWhiskersSeries box;
        box.addCandle(utc, 5, 1, 9, 3, 7);
        const BoxAndWhiskersSeries::Candle c = box.candle(0);
        QCOMPARE(c.x, secs);
        QCOMPARE(c.median, 5.0);
        QCOMPARE(c.min, 1.0);
        QCOMPARE(c.max, 9.0);
        QCOMPARE(c.q1, 3.0);
        QCOMPARE(c.q3, 7.0);
    }

    void pointSeriesKeepsInsertionOrder()
    {
        PointSeries points(PointSeries::Circle);
        points.addXY(10, 1, QStringLiteral("late"));
        points.addXY(5, 2, QStringLiteral("early"));
        QCOMPARE(points.pointsCount(), 2);
        QCOMPARE(points.pt(0), QPointF(10, 1));
        QCOMPARE(points.tooltipAt(1), QStringLiteral("early"));
        points.clear();
        QCOMPARE(points.pointsCount(), 0);
    }

    void ganttInvalidColourUsesSeriesColour()
    {
        ChartWidget chart;
        auto *gantt = new GanttSeries;
        gantt->addBar(0, 10, 1, QColor(), QStringLiteral("green phase"));
        gantt->addBar(10, 20, 1, Qt::yellow, QStringLiteral("amber"));
        chart.addSeries(gantt, 7); // gets a palette colour now
        QVERIFY(gantt->color().isValid());
        QCOMPARE(gantt->bar(0).color, gantt->color());
        QCOMPARE(gantt->bar(1).color, QColor(Qt::yellow));
        gantt->setColor(Qt::darkGreen);
        QCOMPARE(gantt->bar(0).color, QColor(Qt::darkGreen));
        QCOMPARE(gantt->barCount(), 2);
        QCOMPARE(gantt->pointsCount(), 2);
        QCOMPARE(gantt->bar(0).text, QStringLiteral("green phase"));

        // Drawn: the bar's centre pixel has the series colour.
        chart.resize(600, 400);
        chart.plot()->resize(600, 400);
        chart.replotNow();
        const QImage img = chart.plot()->toPixmap(600, 400).toImage();
        const int px = int(chart.plot()->xAxis->coordToPixel(5));
        const int py = int(chart.plot()->yAxis->coordToPixel(1));
        QCOMPARE(QColor(img.pixel(px, py)), QColor(Qt::darkGreen));
    }

    void ganttBandStaysBelowData()
    {
        ChartWidget chart;
        chart.plot()->resize(600, 400);
        auto *gantt = new GanttSeries;
        gantt->addBar(0, 100, -1.0, Qt::blue, QStringLiteral("band"));
        gantt->addBar(0, 50, 0.0, Qt::red, QStringLiteral("row 0"));
        chart.addSeries(gantt, 1);
        auto *points = new PointSeries(1);
        points->addXY(20, 0.0);
        chart.addSeries(points, 2);
        chart.replotNow();
        const QCPAxis *y = chart.plot()->yAxis;
        // Lowest drawn data (row 0 bar's lower edge) must be above the band.
        const double dataBottomPx = y->coordToPixel(-0.4);
        const double bandTopPx = chart.plot()->axisRect()->rect().bottom() - 2 - BarPlottable::bandPixelHeight();
        QVERIFY2(dataBottomPx < bandTopPx, qPrintable(QString::number(dataBottomPx)));
        const QImage img = chart.plot()->toPixmap(600, 400).toImage();
        const int px = int(chart.plot()->xAxis->coordToPixel(75));
        QCOMPARE(QColor(img.pixel(px, int(bandTopPx) + 5)), QColor(Qt::blue));
    }

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
        QVERIFY(item);
        QCOMPARE(item->plottable()->name(), QStringLiteral("flow"));

        emit chart.plot()->legendClick(legend, item, nullptr);
        QVERIFY(!line->isVisible());
        QVERIFY(!chart.plot()->plottable(0)->visible());
        QVERIFY(item->textColor() != QColor(Qt::black)); // greyed out

        emit chart.plot()->legendClick(legend, item, nullptr);
        QVERIFY(line->isVisible());
        QVERIFY(chart.plot()->plottable(0)->visible());
        QCOMPARE(item->textColor(), QColor(Qt::black));

        chart.legend()->setVisible(false);
        QVERIFY(!chart.legend()->isVisible());
    }

    void rescaleAndScaleLock()
    {
        ChartWidget chart;
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
        QCOMPARE(left->minimum(), -100.0);
        QCOMPARE(left->maximum(), 100.0);
        QCOMPARE(bottom->maximum(), 30.0);
        // A locked axis is not offered to zoom or drag.
        QVERIFY(!chart.plot()->axisRect()->rangeZoomAxes(Qt::Vertical).contains(chart.plot()->yAxis));
        QVERIFY(!chart.plot()->axisRect()->rangeDragAxes(Qt::Vertical).contains(chart.plot()->yAxis));
    }

    void dateTimeAxisFormat()
    {
        ChartWidget chart;
        Axis *bottom = chart.axes()->bottom();
        bottom->setDatetime(true);
        bottom->setDatetimeFormat(QStringLiteral("ddd\r\nhh:mm"));
        QVERIFY(bottom->isDatetime());
        auto ticker = chart.plot()->xAxis->ticker().dynamicCast<QCPAxisTickerDateTime>();
        QVERIFY(ticker);
        QCOMPARE(ticker->dateTimeFormat(), QStringLiteral("ddd\nhh:mm"));
        bottom->setTitle(QStringLiteral("time"));
        QCOMPARE(chart.plot()->xAxis->label(), QStringLiteral("time"));
    }

    void tooltipNearPoint()
    {
        ChartWidget chart;
        chart.enableTooltip(true);
        chart.plot()->resize(500, 300);
        chart.axes()->bottom()->setDatetime(true);
        const QDateTime t(QDate(2024, 1, 1), QTime(12, 0), Qt::UTC);
        auto *points = new PointSeries(1);
        points->setName(QStringLiteral("detector 4"));
        points->addXY(t, 3.0, QStringLiteral("occupied"));
        points->addXY(t.addSecs(60), 5.0, QStringLiteral("free"));
        chart.addSeries(points, 1);
        chart.replotNow();
        const QCPAxis *x = chart.plot()->xAxis;
        const QCPAxis *y = chart.plot()->yAxis;
        const QPoint near(int(x->coordToPixel(ChartSeries::toKey(t))) + 2, int(y->coordToPixel(3.0)));
        const QString text = chart.tooltipTextAt(near);
        QVERIFY2(text.contains(QStringLiteral("occupied")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("detector 4")));
        QVERIFY(text.contains(t.toLocalTime().toString(QStringLiteral("hh:mm:ss"))));
        QVERIFY(!text.contains(QStringLiteral("free")));
        const QPoint far(int(x->coordToPixel(ChartSeries::toKey(t.addSecs(30)))), int(y->coordToPixel(4.0)));
        QVERIFY(chart.tooltipTextAt(far).isEmpty());
        points->enableTooltip(false);
        QVERIFY(chart.tooltipTextAt(near).isEmpty());
    }

    void userZoomStopsFollowingUntilReset()
    {
        ChartWidget chart;
        chart.plot()->resize(500, 300);
        auto *line = new LineSeries;
        line->addPoint(QPointF(0, 0));
        line->addPoint(QPointF(10, 10));
        chart.addSeries(line, 1);
        chart.replotNow();
        QCOMPARE(chart.plot()->xAxis->range().upper, 10.0);

        // The user wheels in: QCustomPlot zooms, we must stop rescaling.
        QWheelEvent wheel(QPointF(250, 150), QPointF(250, 150), QPoint(), QPoint(0, 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        emit chart.plot()->mouseWheel(&wheel);
        chart.plot()->xAxis->setRange(2, 3);
        line->addPoint(QPointF(20, 5));
        chart.replotNow();
        QCOMPARE(chart.plot()->xAxis->range(), QCPRange(2, 3));

        // Double-click goes back to the data range.
        QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(250, 150), Qt::LeftButton,
                        Qt::LeftButton, Qt::NoModifier);
        emit chart.plot()->mouseDoubleClick(&dbl);
        QCOMPARE(chart.plot()->xAxis->range(), QCPRange(0, 20));

        // Zoomed again, then clear(): new data is followed again.
        emit chart.plot()->mouseWheel(&wheel);
        chart.plot()->xAxis->setRange(2, 3);
        chart.clear();
        auto *other = new LineSeries;
        other->addPoint(QPointF(100, 1));
        other->addPoint(QPointF(200, 2));
        chart.addSeries(other, 1);
        chart.replotNow();
        QCOMPARE(chart.plot()->xAxis->range(), QCPRange(100, 200));
    }

    void dateTimeChartsPanHorizontally()
    {
        ChartWidget chart;
        QCPAxisRect *rect = chart.plot()->axisRect();
        QVERIFY(rect->rangeDragAxes(Qt::Vertical).contains(chart.plot()->yAxis));
        chart.axes()->bottom()->setDatetime(true);
        QVERIFY(rect->rangeDragAxes(Qt::Horizontal).contains(chart.plot()->xAxis));
        QVERIFY(rect->rangeDragAxes(Qt::Vertical).isEmpty());
        QVERIFY(rect->rangeZoomAxes(Qt::Vertical).contains(chart.plot()->yAxis));
        chart.axes()->bottom()->setScaleLock(true);
        QVERIFY(rect->rangeZoomAxes(Qt::Horizontal).isEmpty());
    }

    void steadyStreamStillReplots()
    {
        // The timer must not restart on every change, or a live feed
        // would never be drawn.
        ChartWidget chart;
        chart.setRefreshTimeout(40);
        auto *line = new LineSeries;
        chart.addSeries(line, 1);
        QElapsedTimer clock;
        clock.start();
        int i = 0;
        while (clock.elapsed() < 400) {
            line->addXY(i, i);
            ++i;
            QTest::qWait(5);
        }
        QVERIFY2(chart.replotCount() >= 3, qPrintable(QString::number(chart.replotCount())));
    }

    void bandsLinesAndBoxesAreDrawn()
    {
        ChartWidget chart;
        chart.plot()->resize(600, 400);
        chart.legend()->setVisible(false);
        auto *band = new HighLowSeries;
        band->setColor(Qt::blue);
        band->addPoint(0, 2, 8);
        band->addPoint(100, 2, 8);
        chart.addSeries(band, 1);
        const QDateTime t = QDateTime::fromMSecsSinceEpoch(30000, Qt::UTC);
        chart.addVLine(new VLine(t, Qt::red, 3));
        auto *box = new BoxAndWhiskersSeries;
        box->setName(QStringLiteral("queue"));
        box->addCandle(70, 5, 1, 9, 4, 6);
        box->addCandle(90, 5, 1, 9, 4, 6);
        chart.addSeries(box, 2);
        chart.replotNow();
        const QImage img = chart.plot()->toPixmap(600, 400).toImage();
        const QCPAxis *x = chart.plot()->xAxis;
        const QCPAxis *y = chart.plot()->yAxis;
        auto at = [&](double kx, double vy) {
            return QColor(img.pixel(int(x->coordToPixel(kx)), int(y->coordToPixel(vy))));
        };
        // Inside the band: a blue tint; outside: background.
        const QColor inside = at(10, 3);
        QVERIFY(inside.blue() > inside.red() + 40);
        QVERIFY(inside != QColor(Qt::blue)); // semi-transparent
        QCOMPARE(at(10, 8.5), QColor(Qt::white));
        QCOMPARE(at(30, 3), QColor(Qt::red));
        const QString tip = chart.tooltipTextAt(QPoint(int(x->coordToPixel(70)), int(y->coordToPixel(5))));
        QVERIFY2(tip.contains(QStringLiteral("queue")) && tip.contains(QStringLiteral("median 5")),
                 qPrintable(tip));
    }

    void ganttTooltipShowsTextAndTimes()
    {
        ChartWidget chart;
        chart.plot()->resize(600, 400);
        auto *gantt = new GanttSeries;
        gantt->addBar(10, 20, 2, Qt::green, QStringLiteral("SG 2 green"));
        chart.addSeries(gantt, 1);
        chart.replotNow();
        const QCPAxis *x = chart.plot()->xAxis;
        const QCPAxis *y = chart.plot()->yAxis;
        const QString tip = chart.tooltipTextAt(QPoint(int(x->coordToPixel(15)), int(y->coordToPixel(2))));
        QVERIFY2(tip.contains(QStringLiteral("SG 2 green")) && tip.contains(QStringLiteral("10"))
                     && tip.contains(QStringLiteral("20")),
                 qPrintable(tip));
        QVERIFY(chart.tooltipTextAt(QPoint(int(x->coordToPixel(15)), int(y->coordToPixel(3)))).isEmpty());
    }

    void saveFiles()
    {
        ChartWidget chart;
        auto *line = new LineSeries;
        for (int i = 0; i < 100; ++i)
            line->addXY(i, i * i);
        chart.addSeries(line, 1);
        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("c.png"));
        const QString pdf = dir.filePath(QStringLiteral("c.pdf"));
        QVERIFY(chart.savePng(png));
        QVERIFY(chart.savePdf(pdf));
        QFile p(png), d(pdf);
        QVERIFY(p.open(QIODevice::ReadOnly));
        QVERIFY(p.size() > 1000);
        QCOMPARE(p.read(4), QByteArray("\x89PNG"));
        QVERIFY(d.open(QIODevice::ReadOnly));
        QVERIFY(d.size() > 500);
        QCOMPARE(d.read(4), QByteArray("%PDF"));
    }
};

QTEST_MAIN(TestChartWidget)
#include "tst_chartwidget.moc"
