#include "cwsimple/Axis.h"
#include "cwsimple/Chart.h"
#include "cwsimple/ColorHBoxSeries.h"
#include "cwsimple/TimelinePlottable.h"

#include <qcustomplot.h>

#include <QRandomGenerator>
#include <QtTest>

using namespace cwsimple;

class TestCwSimpleChart : public QObject
{
    Q_OBJECT

    Chart *chart = nullptr;

    QColor pixel(double x, double y) const
    {
        const QImage img = chart->plot()->toPixmap(600, 400).toImage();
        return img.pixel(int(chart->plot()->xAxis->coordToPixel(x)), int(chart->plot()->yAxis->coordToPixel(y)));
    }

private slots:
    void init() { chart = new Chart; chart->plot()->resize(600, 400); }
    void cleanup() { delete chart; }

    // Bars in one colour, two (upper half first), a texture or a null one;
    // a replaced series goes, removeAllSeries() leaves none.
    void barsAreDrawn()
    {
        QPixmap texture(8, 8);
        texture.fill(Qt::darkCyan);
        auto *old = new ColorHBoxSeries;
        chart->addSeries(old, 1);
        QPointer<Series> replaced = old;
        auto *bars = new ColorHBoxSeries;
        bars->addBar(0, 50, 1, Qt::red);
        bars->addBar(50, 100, 1, Qt::blue, Qt::yellow);
        bars->addBar(0, 100, 2, texture);
        bars->addBar(0, 100, 3, QPixmap());
        chart->addSeries(bars, 1);
        chart->setBgColor(QColor(10, 20, 30));
        chart->replotNow();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(replaced.isNull());
        QCOMPARE(chart->findSeries(1), bars);
        QCOMPARE(pixel(25, 1), QColor(Qt::red));
        QCOMPARE(pixel(75, 1.2), QColor(Qt::blue));
        QCOMPARE(pixel(75, 0.8), QColor(Qt::yellow));
        QCOMPARE(pixel(50, 2), QColor(Qt::darkCyan));
        QCOMPARE(pixel(50, 2.5), QColor(10, 20, 30));
        chart->removeAllSeries();
        QVERIFY(!chart->findSeries(1));
        QCOMPARE(chart->plot()->plottableCount(), 0);
    }

    void sampledAsDrawnInFull_data()
    {
        QTest::addColumn<double>("from"); // the part of the bars' span shown
        QTest::addColumn<double>("to");
        QTest::addColumn<bool>("fewerFills");
        QTest::newRow("all") << 0.0 << 1.0 << true;
        QTest::newRow("zoomed in") << 0.4 << 0.5 << true;
        QTest::newRow("panned") << 0.7 << 0.8 << true;
        QTest::newRow("every bar wide") << 0.5 << 0.5003 << false;
    }

    // Bars from a hundredth of a pixel to many pixels wide in every kind of
    // look, and a row of bars out of order and overlapping: with sampling
    // the picture is the one of every bar painted, at any zoom and pan, from
    // far fewer fills where bars crowd; the export keeps every bar.
    void sampledAsDrawnInFull()
    {
        QFETCH(double, from);
        QFETCH(double, to);
        QFETCH(bool, fewerFills);
        QPixmap stripes(4, 4);
        stripes.fill(Qt::darkGreen);
        QPainter(&stripes).fillRect(2, 0, 2, 4, Qt::white);
        auto *bars = new ColorHBoxSeries;
        QRandomGenerator random(11);
        double x = 0;
        for (int i = 0; i < 20000; ++i) {
            const double length = random.bounded(10) ? random.bounded(5.0) : random.bounded(500.0);
            if (i % 4 == 0)
                bars->addBar(x, x + length, 1, Qt::red);
            else if (i % 4 == 1)
                bars->addBar(x, x + length, 1, Qt::red, Qt::yellow);
            else if (i % 4 == 2)
                bars->addBar(x, x + length, 1, stripes);
            else
                bars->addBar(x, x + length, 1, i % 8 == 3 ? QColor(Qt::green) : QColor(Qt::black));
            x += length;
        }
        for (int i = 0; i < 2000; ++i) {
            const double start = random.bounded(x);
            bars->addBar(start, start + random.bounded(2000.0), 2, i % 2 ? QColor(Qt::blue) : QColor(Qt::cyan));
        }
        chart->addSeries(bars, 1);
        chart->replotNow();
        const QCPRange all = chart->plot()->xAxis->range();
        chart->plot()->xAxis->setRange(all.lower + from * all.size(), all.lower + to * all.size());
        auto *drawn = qobject_cast<TimelinePlottable *>(chart->plot()->plottable(0));
        const QImage sampled = chart->plot()->toPixmap(600, 400).toImage();
        const int sampledFills = drawn->filledLastReplot();
        drawn->setAdaptiveSampling(false);
        const QImage full = chart->plot()->toPixmap(600, 400).toImage();
        QVERIFY(sampled == full);
        QVERIFY2(!fewerFills || sampledFills * 4 < drawn->filledLastReplot(),
                 qPrintable(QString("%1 of %2").arg(sampledFills).arg(drawn->filledLastReplot())));
        QCOMPARE(chart->dataTable().size(), 22001);
    }

    // Signal-group rows are labelled by name, every labelled row in view;
    // without labels the ticks are numbers again. A date-time axis keeps
    // the grid's minimum step.
    void axes()
    {
        auto *bars = new ColorHBoxSeries;
        bars->addBar(0, 3 * 3600, 1, Qt::red);
        chart->addSeries(bars, 1);
        chart->xAxis()->setDatetime(true);
        chart->setMinGridStepX(3600);
        for (int row = 1; row <= 5; ++row)
            chart->yAxis()->setCustomLabel(row, QStringLiteral("SG %1").arg(row));
        chart->replotNow();
        QVERIFY(chart->plot()->yAxis->range().contains(5));
        QCOMPARE(chart->plot()->yAxis->tickVectorLabels(), (QVector<QString>{"SG 1", "SG 2", "SG 3", "SG 4", "SG 5"}));
        const QVector<double> ticks = chart->plot()->xAxis->tickVector();
        for (int i = 1; i < ticks.size(); ++i)
            QVERIFY(ticks.at(i) - ticks.at(i - 1) >= 3600);
        chart->yAxis()->resetCustomLabels();
        chart->replotNow();
        for (const QString &label : chart->plot()->yAxis->tickVectorLabels()) {
            bool number = false;
            label.toDouble(&number);
            QVERIFY2(number, qPrintable(label));
        }
    }
};

QTEST_MAIN(TestCwSimpleChart)
#include "tst_cwsimplechart.moc"
