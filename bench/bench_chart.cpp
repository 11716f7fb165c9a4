// Our chart stand-ins against plain QCustomPlot doing the same work:
// 1 000 000 line points (add + replot) and 100 000 timeline bars.
// Run with QT_QPA_PLATFORM=offscreen.
#include "PeakMemory.h"

#include "ChartWidget.h"
#include "LineSeries.h"
#include "cwsimple/Chart.h"
#include "cwsimple/ColorHBoxSeries.h"

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
    return 0;
}
