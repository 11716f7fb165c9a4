// Our chart stand-ins against plain QCustomPlot doing the same work:
// 1 000 000 line points (add + replot) and 100 000 timeline bars; and the
// dense signal-group week (1.86 million bars, 16 scatter series of 29 000
// points) drawn sampled against every bar and point painted.
// Run with QT_QPA_PLATFORM=offscreen.
#include "PeakMemory.h"

#include "ChartWidget.h"
#include "LineSeries.h"
#include "PointSeries.h"
#include "cwsimple/Chart.h"
#include "cwsimple/ColorHBoxSeries.h"
#include "cwsimple/TimelinePlottable.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <qcustomplot.h>

#include <cstdio>

namespace {

const QSize kSize(1200, 700);

double ms(const QElapsedTimer &t)
{
    return t.nsecsElapsed() / 1e6;
}

void sizePlot(QCustomPlot *plot)
{
    plot->resize(kSize);
    plot->setViewport(QRect(QPoint(0, 0), kSize)); // hidden widgets get no resize event
}

void report(const char *what, double ours, double plain)
{
    std::printf("| %s | %.1f | %.1f | %.2f |\n", what, ours, plain, plain > 0 ? ours / plain : 0.0);
}

void benchLine(int n)
{
    QVector<double> xs(n), ys(n);
    QRandomGenerator rnd(7);
    double y = 0;
    for (int i = 0; i < n; ++i) {
        xs[i] = 1.7e9 + i * 0.1;
        y += rnd.generateDouble() - 0.5;
        ys[i] = y;
    }

    // Ours: the way views feed it, one addXY per point. Measured first, so
    // that the process's peak memory after it is ours alone.
    const long rssBefore = peakRssKb();
    ChartWidget chart;
    sizePlot(chart.plot());
    auto *line = new LineSeries;
    chart.addSeries(line, 1);
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < n; ++i)
        line->addXY(xs[i], ys[i]);
    const double oursAdd = ms(t);
    t.restart();
    chart.replotNow();
    const double oursFirst = ms(t);
    t.restart();
    chart.replotNow();
    const double oursReplot = ms(t);
    const long rssAfter = peakRssKb();

    // Ours, batched: addPoints() like the plain addData below.
    {
        ChartWidget batched;
        sizePlot(batched.plot());
        auto *l = new LineSeries;
        batched.addSeries(l, 1);
        t.restart();
        l->addPoints(xs, ys);
        const double add = ms(t);
        std::printf("| chart line %d points batched addPoints | %.1f | | |\n", n, add);
    }

    // Plain: one batched addData on a QCPGraph, then the same replots.
    QCustomPlot plot;
    sizePlot(&plot);
    QCPGraph *graph = plot.addGraph();
    t.restart();
    graph->addData(xs, ys, true);
    const double plainAdd = ms(t);
    t.restart();
    plot.rescaleAxes();
    plot.replot(QCustomPlot::rpImmediateRefresh);
    const double plainFirst = ms(t);
    t.restart();
    plot.replot(QCustomPlot::rpImmediateRefresh);
    const double plainReplot = ms(t);

    char what[128];
    std::snprintf(what, sizeof what, "chart line %d points add", n);
    report(what, oursAdd, plainAdd);
    std::snprintf(what, sizeof what, "chart line %d points first replot", n);
    report(what, oursFirst, plainFirst);
    std::snprintf(what, sizeof what, "chart line %d points replot", n);
    report(what, oursReplot, plainReplot);
    std::snprintf(what, sizeof what, "chart line %d points total", n);
    report(what, oursAdd + oursFirst, plainAdd + plainFirst);
    std::printf("\nPeak resident memory with the %d-point chart: %.0f MB (the process before it, with "
                "the points' arrays: %.0f MB).\n\n",
                n, rssAfter / 1024.0, rssBefore / 1024.0);
}

void benchBars(int n, int rows)
{
    const QColor colours[] = {Qt::red, Qt::green, QColor(255, 191, 0), Qt::darkGray};
    auto barX = [](int i) { return 1.7e9 + (i / 20) * 60.0 + (i % 3) * 17.0; };

    cwsimple::Chart chart;
    sizePlot(chart.plot());
    chart.xAxis()->setDatetime(true);
    auto *bars = new cwsimple::ColorHBoxSeries;
    bars->setShowLength(true);
    chart.addSeries(bars, 1);
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < n; ++i)
        bars->addBar(barX(i), barX(i) + 15.0, i % rows, colours[i % 4]);
    const double oursAdd = ms(t);
    t.restart();
    chart.replotNow();
    const double oursFirst = ms(t);
    t.restart();
    chart.replotNow();
    const double oursReplot = ms(t);

    // Plain baseline: the straightforward QCustomPlot way, one QCPItemRect
    // per bar (QCPBars cannot start bars at arbitrary x).
    QCustomPlot plot;
    sizePlot(&plot);
    plot.xAxis->setTicker(QSharedPointer<QCPAxisTickerDateTime>(new QCPAxisTickerDateTime));
    t.restart();
    for (int i = 0; i < n; ++i) {
        auto *r = new QCPItemRect(&plot);
        r->topLeft->setCoords(barX(i), i % rows + 0.4);
        r->bottomRight->setCoords(barX(i) + 15.0, i % rows - 0.4);
        r->setBrush(colours[i % 4]);
        r->setPen(Qt::NoPen);
    }
    const double plainAdd = ms(t);
    t.restart();
    plot.xAxis->setRange(barX(0), barX(n - 1) + 15.0);
    plot.yAxis->setRange(-0.5, rows - 0.5);
    plot.replot(QCustomPlot::rpImmediateRefresh);
    const double plainFirst = ms(t);
    t.restart();
    plot.replot(QCustomPlot::rpImmediateRefresh);
    const double plainReplot = ms(t);

    char what[128];
    std::snprintf(what, sizeof what, "chart hbox %d bars add", n);
    report(what, oursAdd, plainAdd);
    std::snprintf(what, sizeof what, "chart hbox %d bars first replot", n);
    report(what, oursFirst, plainFirst);
    std::snprintf(what, sizeof what, "chart hbox %d bars replot", n);
    report(what, oursReplot, plainReplot);

    // Zoomed in to 1/100 of the time: culling should pay off.
    const QCPRange full = chart.plot()->xAxis->range();
    const QCPRange zoom(full.lower, full.lower + full.size() / 100);
    chart.plot()->xAxis->setRange(zoom);
    t.restart();
    chart.plot()->replot(QCustomPlot::rpImmediateRefresh);
    const double oursZoom = ms(t);
    plot.xAxis->setRange(zoom);
    t.restart();
    plot.replot(QCustomPlot::rpImmediateRefresh);
    const double plainZoom = ms(t);
    std::snprintf(what, sizeof what, "chart hbox %d bars zoomed replot", n);
    report(what, oursZoom, plainZoom);
}

// Replot times of a plot with sampling on and with every element painted.
template<typename Sampled>
void reportSampling(const char *what, QCustomPlot *plot, Sampled *sampled)
{
    const QCPRange all = plot->xAxis->range();
    struct View
    {
        const char *name;
        double from, to;
    };
    const View views[] = {{"the week", 0, 1}, {"a day", 3.0 / 7, 4.0 / 7}, {"an hour", 0.5, 0.5 + 1.0 / 168},
                          {"the hour panned", 0.5 + 0.5 / 168, 0.5 + 1.5 / 168}};
    for (const View &view : views) {
        plot->xAxis->setRange(all.lower + view.from * all.size(), all.lower + view.to * all.size());
        double times[2];
        for (int full = 0; full < 2; ++full) {
            sampled->setAdaptiveSampling(!full);
            plot->replot(QCustomPlot::rpImmediateRefresh); // warm
            QElapsedTimer t;
            t.start();
            for (int i = 0; i < 3; ++i)
                plot->replot(QCustomPlot::rpImmediateRefresh);
            times[full] = ms(t) / 3;
        }
        char line[160];
        std::snprintf(line, sizeof line, "%s, %s, replot", what, view.name);
        report(line, times[0], times[1]);
    }
    sampled->setAdaptiveSampling(true);
    plot->xAxis->setRange(all);
}

// The dense week as the signal-group view holds it: 16 rows of bars two to
// ten seconds long, and each group's open periods as points.
void benchDenseWeek()
{
    const int rows = 16;
    const double week = 7 * 86400.0;
    const double start = 1.7e9;
    QRandomGenerator rnd(3);
    QElapsedTimer t;
    t.start();
    cwsimple::TimelineBars bars;
    QVector<QVector<QPointF>> periods(rows);
    for (int row = 1; row <= rows; ++row) {
        for (double x = 0; x < week;) {
            const double length = 2 + rnd.bounded(9);
            const int look = rnd.bounded(5);
            bars.append(start + x, start + x + length, row, look);
            if (look == 1)
                periods[row - 1].append(QPointF(start + x, length));
            x += length;
        }
    }
    bars.rows();
    const int count = bars.size();
    const double build = ms(t);

    cwsimple::Chart timeline;
    sizePlot(timeline.plot());
    timeline.xAxis()->setDatetime(true);
    auto *series = new cwsimple::ColorHBoxSeries;
    series->setShowLength(true);
    for (const QColor &c : {QColor(Qt::red), QColor(Qt::green), QColor(Qt::yellow), QColor(Qt::black)})
        series->addLook({c, QColor(), QPixmap()});
    QPixmap stripes(10, 10);
    stripes.fill(Qt::darkGreen);
    series->addLook({QColor(), QColor(), stripes});
    timeline.addSeries(series, 1);
    t.restart();
    series->addBars(std::move(bars));
    const double handOver = ms(t);
    t.restart();
    timeline.replotNow();
    const double first = ms(t);
    std::printf("| dense week, %d bars: built (another thread in the view) / handed to the series / first replot "
                "| %.1f / %.3f / %.1f | | |\n",
                count, build, handOver, first);
    reportSampling("dense week timeline", timeline.plot(),
                   qobject_cast<cwsimple::TimelinePlottable *>(timeline.plot()->plottable(0)));

    ChartWidget xy;
    sizePlot(xy.plot());
    xy.axes()->bottom()->setDatetime(true);
    int points = 0;
    t.restart();
    for (int row = 0; row < rows; ++row) {
        auto *dots = new PointSeries(1);
        dots->addPoints(periods.at(row));
        xy.addSeries(dots, row + 1);
        points += periods.at(row).size();
    }
    const double added = ms(t);
    t.restart();
    xy.replotNow();
    std::printf("| dense week, %d points in 16 series: handed to the series / first replot | %.1f / %.1f | | |\n",
                points, added, ms(t));
    // Every series sampled alike: the first stands for them in the switch.
    struct AllGraphs
    {
        QCustomPlot *plot;
        void setAdaptiveSampling(bool on)
        {
            for (int i = 0; i < plot->graphCount(); ++i)
                plot->graph(i)->setAdaptiveSampling(on);
        }
    } graphs{xy.plot()};
    reportSampling("dense week scatter", xy.plot(), &graphs);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // figures survive a sanitizer exit
    std::printf("| chart work | ours ms | plain QCustomPlot ms | ratio |\n|---|---:|---:|---:|\n");
    benchLine(1000000);
    std::printf("| chart work | ours ms | plain QCustomPlot ms | ratio |\n|---|---:|---:|---:|\n");
    benchBars(100000, 20);
    // The signal-group timeline of a week: 16 groups, a 90 s cycle, three
    // states per cycle.
    benchBars(16 * 7 * 86400 / 90 * 3, 16);
    std::printf("\n| chart work | sampled ms | every element ms | ratio |\n|---|---:|---:|---:|\n");
    benchDenseWeek();
    return 0;
}
