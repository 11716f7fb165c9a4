#include <QtTest>

#include "cwsimple/Axis.h"
#include "cwsimple/Chart.h"
#include "cwsimple/ColorHBoxSeries.h"

#include <qcustomplot.h>

using namespace cwsimple;

class TestCwSimpleChart : public QObject
{
    Q_OBJECT

private:
    static QColor pixelAt(Chart &chart, double x, double y)
    {
        const QImage img = chart.plot()->toPixmap(600, 400).toImage();
        return QColor(img.pixel(int(chart.plot()->xAxis->coordToPixel(x)),
                                int(chart.plot()->yAxis->coordToPixel(y))));
    }

private slots:
    void customLabelsReplaceTicks()
    {
        Chart chart;
        chart.plot()->resize(600, 400);
        auto *bars = new ColorHBoxSeries;
        for (int row = 1; row <= 3; ++row)
            bars->addBar(0, 100, row, Qt::green);
        chart.addSeries(bars, 1);
        chart.yAxis()->setCustomLabel(1, QStringLiteral("SG 1"));
        chart.yAxis()->setCustomLabel(2, QStringLiteral("SG 2"));
        chart.yAxis()->setCustomLabel(3, QStringLiteral("SG 3"));
        QCOMPARE(chart.yAxis()->customLabels().value(2), QStringLiteral("SG 2"));
        chart.replotNow();
        QCOMPARE(chart.plot()->yAxis->tickVectorLabels(),
                 QVector<QString>({QStringLiteral("SG 1"), QStringLiteral("SG 2"), QStringLiteral("SG 3")}));

        chart.yAxis()->resetCustomLabels();
        QVERIFY(chart.yAxis()->customLabels().isEmpty());
        chart.replotNow();
        const QVector<QString> labels = chart.plot()->yAxis->tickVectorLabels();
        QVERIFY(!labels.isEmpty());
        for (const QString &l : labels) {
            bool ok = false;
            l.toDouble(&ok);
            QVERIFY2(ok, qPrintable(l));
        }
    }

    void errorShowsAndClears()
    {
        Chart chart;
        chart.setError(QStringLiteral("No connection"));
        QCOMPARE(chart.error(), QStringLiteral("No connection"));
        QVERIFY(chart.isErrorShown());
        chart.setError(QString());
        QVERIFY(chart.error().isEmpty());
        QVERIFY(!chart.isErrorShown());
    }

    void seriesBookkeeping()
    {
        Chart chart;
        QVERIFY(!chart.findSeries(3));
        auto *a = new ColorHBoxSeries;
        chart.addSeries(a, 3);
        QCOMPARE(chart.findSeries(3), a);
        QPointer<Series> old = a;
        auto *b = new ColorHBoxSeries;
        chart.addSeries(b, 3);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(old.isNull());
        QCOMPARE(chart.findSeries(3), b);
        QCOMPARE(chart.plot()->plottableCount(), 1);
        chart.removeAllSeries();
        QVERIFY(!chart.findSeries(3));
        QCOMPARE(chart.plot()->plottableCount(), 0);
    }

    void barsAreDrawn()
    {
        Chart chart;
        chart.plot()->resize(600, 400);
        auto *bars = new ColorHBoxSeries;
        bars->addBar(0, 50, 1, Qt::red);
        bars->addBar(50, 100, 1, Qt::blue, Qt::yellow);
        bars->addBar(0, 100, 2, QPixmap()); // null texture: not a crash
        chart.addSeries(bars, 1);
        QCOMPARE(bars->barCount(), 3);
        QCOMPARE(bars->secondColor(1), QColor(Qt::yellow));
        QVERIFY(!bars->secondColor(0).isValid());
        chart.replotNow();
        QCOMPARE(pixelAt(chart, 25, 1), QColor(Qt::red));
        // Two-colour bar: upper half first colour, lower half second.
        QCOMPARE(pixelAt(chart, 75, 1.2), QColor(Qt::blue));
        QCOMPARE(pixelAt(chart, 75, 0.8), QColor(Qt::yellow));
    }

    void textureFill()
    {
        Chart chart;
        chart.plot()->resize(600, 400);
        QPixmap tex(8, 8);
        tex.fill(Qt::darkCyan);
        auto *bars = new ColorHBoxSeries;
        bars->addBar(0, 100, 1, tex);
        chart.addSeries(bars, 1);
        chart.replotNow();
        QCOMPARE(pixelAt(chart, 50, 1), QColor(Qt::darkCyan));
    }

    void manyBarsCoalesce()
    {
        Chart chart;
        chart.setRefreshTimeout(50);
        auto *bars = new ColorHBoxSeries;
        chart.addSeries(bars, 1);
        for (int i = 0; i < 100000; ++i)
            bars->addBar(i * 10.0, i * 10.0 + 8, i % 20, Qt::green);
        QCOMPARE(chart.replotCount(), 0);
        QTest::qWait(200);
        QCOMPARE(chart.replotCount(), 1);
        QCOMPARE(chart.plot()->xAxis->range().upper, 999998.0);
    }

    void showLengthWritesInsideWideBars()
    {
        auto centreLine = [](bool show) {
            Chart chart;
            chart.plot()->resize(600, 400);
            auto *bars = new ColorHBoxSeries;
            bars->setShowLength(show);
            bars->addBar(0, 120, 1, Qt::white);
            bars->addBar(0, 120, 0, Qt::white);
            chart.addSeries(bars, 1);
            chart.replotNow();
            const QImage img = chart.plot()->toPixmap(600, 400).toImage();
            const int py = int(chart.plot()->yAxis->coordToPixel(1));
            int dark = 0;
            for (int px = int(chart.plot()->xAxis->coordToPixel(10));
                 px < int(chart.plot()->xAxis->coordToPixel(110)); ++px)
                dark += qGray(img.pixel(px, py)) < 128 ? 1 : 0;
            return dark;
        };
        QCOMPARE(centreLine(false), 0);
        QVERIFY(centreLine(true) > 0); // the "120" text
    }

    void backgroundColour()
    {
        Chart chart;
        chart.plot()->resize(600, 400);
        chart.setBgColor(QColor(10, 20, 30));
        chart.replotNow();
        const QImage img = chart.plot()->toPixmap(600, 400).toImage();
        QCOMPARE(QColor(img.pixel(300, 200)), QColor(10, 20, 30));
    }

    void minGridStepX()
    {
        Chart chart;
        chart.plot()->resize(600, 400);
        chart.xAxis()->setDatetime(true);
        chart.setMinGridStepX(3600);
        auto *bars = new ColorHBoxSeries;
        bars->addBar(0, 6 * 3600, 1, Qt::red);
        chart.addSeries(bars, 1);
        chart.replotNow();
        const QVector<double> ticks = chart.plot()->xAxis->tickVector();
        QVERIFY(ticks.size() >= 2);
        for (int i = 1; i < ticks.size(); ++i)
            QVERIFY(ticks.at(i) - ticks.at(i - 1) >= 3600);
    }

    void labelledRowsStayInView()
    {
        Chart chart;
        chart.plot()->resize(600, 400);
        for (int row = 1; row <= 5; ++row)
            chart.yAxis()->setCustomLabel(row, QStringLiteral("SG %1").arg(row));
        auto *bars = new ColorHBoxSeries;
        bars->addBar(0, 10, 1, Qt::red);
        chart.addSeries(bars, 1);
        chart.replotNow();
        QVERIFY(chart.plot()->yAxis->range().contains(5));
        QVERIFY(chart.plot()->yAxis->tickVectorLabels().contains(QStringLiteral("SG 5")));
    }

    void saveFiles()
    {
        Chart chart;
        auto *bars = new ColorHBoxSeries;
        bars->setShowLength(true);
        bars->addBar(0, 100, 1, Qt::red);
        chart.addSeries(bars, 1);
        QTemporaryDir dir;
        QVERIFY(chart.savePng(dir.filePath(QStringLiteral("t.png"))));
        QVERIFY(chart.savePdf(dir.filePath(QStringLiteral("t.pdf"))));
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("t.png"))).size() > 0);
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("t.pdf"))).size() > 0);
    }
};

QTEST_MAIN(TestCwSimpleChart)
#include "tst_cwsimplechart.moc"
