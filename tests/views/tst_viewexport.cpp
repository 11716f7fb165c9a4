// Every chart of every view saves its data as a semicolon-separated file
// from its context menu; the file must read back as what the chart shows.
#include "CsvRows.h"
#include "HostKernel.h"
#include "TestServers.h"
#include "ViewIdle.h"

#include "async/AsyncDatabase.h"
#include "views/CsvExportAction.h"
#include "views/DtStatView.h"
#include "views/DtView.h"
#include "views/FaultsDtView.h"
#include "views/HealthHistoryView.h"
#include "views/PhasesView.h"
#include "views/SGView.h"

#include "BoxAndWhiskersSeries.h"
#include "ChartWidget.h"
#include "GanttSeries.h"
#include "HighLowSeries.h"
#include "LineSeries.h"
#include "PointSeries.h"
#include "cwsimple/Chart.h"
#include "cwsimple/ColorHBoxSeries.h"

#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

template<typename ChartType>
CsvExportAction *exportAction(ChartType *chart)
{
    for (QAction *action : chart->contextActions()) {
        if (auto *csv = qobject_cast<CsvExportAction *>(action))
            return csv;
    }
    return nullptr;
}

double keyOf(const QString &text, bool dateTime)
{
    if (!dateTime)
        return text.toDouble();
    QDateTime t = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
    if (!t.isValid())
        t = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    return t.isValid() ? t.toMSecsSinceEpoch() / 1000.0 : std::nan("");
}

bool same(double a, double b)
{
    return std::abs(a - b) <= 1e-9 * std::max(1.0, std::max(std::abs(a), std::abs(b)));
}

bool sameKey(double a, double b)
{
    return std::abs(a - b) < 0.0005 || same(a, b);
}

// The rows a series shows, as numbers: x first, then its values.
QVector<QVector<double>> shownRows(ChartSeries *s)
{
    QVector<QVector<double>> rows;
    if (auto *line = qobject_cast<LineSeries *>(s)) {
        for (int i = 0; i < line->pointsCount(); ++i) {
            if (!std::isnan(line->point(i).y()))
                rows.append({line->point(i).x(), line->point(i).y()});
        }
    } else if (auto *points = qobject_cast<PointSeries *>(s)) {
        for (int i = 0; i < points->pointsCount(); ++i) {
            if (!std::isnan(points->pt(i).y()))
                rows.append({points->pt(i).x(), points->pt(i).y()});
        }
        std::sort(rows.begin(), rows.end());
    } else if (auto *band = qobject_cast<HighLowSeries *>(s)) {
        for (int i = 0; i < band->pointsCount(); ++i)
            rows.append({band->xAt(i), band->lowAt(i), band->highAt(i)});
    } else if (auto *boxes = qobject_cast<BoxAndWhiskersSeries *>(s)) {
        for (int i = 0; i < boxes->pointsCount(); ++i) {
            const auto c = boxes->candle(i);
            rows.append({c.x, c.min, c.q1, c.median, c.q3, c.max});
        }
    } else if (auto *bars = qobject_cast<GanttSeries *>(s)) {
        for (int i = 0; i < bars->barCount(); ++i)
            rows.append({bars->bar(i).from, bars->bar(i).to, bars->bar(i).y});
    }
    return rows;
}

} // namespace

class ViewExportTest : public QObject
{
    Q_OBJECT

private:
    QMutex dbMutex;
    QTemporaryDir dir;
    int files = 0;
    int connections = 0;

    QVector<QStringList> saved(CsvExportAction *action)
    {
        const QString name = dir.filePath(QStringLiteral("chart%1.csv").arg(++files));
        QString error;
        if (!action->saveTo(name, &error)) {
            qWarning("%s", qPrintable(error));
            return {};
        }
        return readCsvRows(name);
    }

    // Each shown series is one block of the file: its header, then a row
    // per point led by its name, in the chart's order.
    void checkChart(ChartWidget *chart)
    {
        QVERIFY(chart);
        CsvExportAction *action = exportAction(chart);
        QVERIFY2(action, qPrintable(chart->objectName()));
        const QVector<QStringList> rows = saved(action);
        const bool dateTime = chart->axes()->bottom()->isDatetime();

        int at = 0;
        int blocks = 0;
        for (ChartSeries *s : chart->seriesList()) {
            const QVector<QVector<double>> shown = shownRows(s);
            if (!s->isVisible() || shown.isEmpty())
                continue;
            if (blocks > 0) {
                QVERIFY(at < rows.size());
                QCOMPARE(rows.at(at), QStringList()); // the empty row between series
                ++at;
            }
            ++blocks;
            QVERIFY(at < rows.size());
            QCOMPARE(rows.at(at).value(0), QStringLiteral("Series"));
            const bool bars = qobject_cast<GanttSeries *>(s);
            ++at;
            QVector<QVector<double>> read;
            for (; at < rows.size() && !rows.at(at).isEmpty() && rows.at(at).first() == s->name(); ++at) {
                const QStringList &r = rows.at(at);
                QVector<double> numbers{keyOf(r.value(1), dateTime)};
                if (bars)
                    numbers << keyOf(r.value(2), dateTime) << r.value(3).toDouble();
                else
                    for (int c = 2; c < r.size(); ++c)
                        numbers << r.at(c).toDouble();
                read << numbers;
            }
            if (qobject_cast<PointSeries *>(s))
                std::sort(read.begin(), read.end());
            QCOMPARE(read.size(), shown.size());
            for (int i = 0; i < shown.size(); ++i) {
                QCOMPARE(read.at(i).size(), shown.at(i).size());
                QVERIFY2(sameKey(read.at(i).at(0), shown.at(i).at(0)), qPrintable(s->name()));
                for (int c = 1; c < shown.at(i).size(); ++c) {
                    const bool ok = bars && c == 1 ? sameKey(read.at(i).at(c), shown.at(i).at(c))
                                                   : same(read.at(i).at(c), shown.at(i).at(c));
                    QVERIFY2(ok, qPrintable(QStringLiteral("%1 row %2 column %3: %4 against %5")
                                                .arg(s->name()).arg(i).arg(c)
                                                .arg(read.at(i).at(c)).arg(shown.at(i).at(c))));
                }
            }
        }
        QVERIFY2(blocks > 0, "the chart showed no data");
        QCOMPARE(at, rows.size());
    }

    void checkTimeline(cwsimple::Chart *chart)
    {
        QVERIFY(chart);
        CsvExportAction *action = exportAction(chart);
        QVERIFY(action);
        const QVector<QStringList> rows = saved(action);
        auto *bars = qobject_cast<cwsimple::ColorHBoxSeries *>(chart->findSeries(1));
        QVERIFY(bars);
        QVERIFY(bars->barCount() > 0);
        QCOMPARE(rows.size(), bars->barCount() + 1);
        const QMap<double, QString> labels = chart->yAxis()->customLabels();
        for (int i = 0; i < bars->barCount(); ++i) {
            const QStringList &r = rows.at(i + 1);
            QCOMPARE(r.value(0), labels.value(bars->y(i)));
            QVERIFY(sameKey(keyOf(r.value(1), true), bars->x1(i)));
            QVERIFY(sameKey(keyOf(r.value(2), true), bars->x2(i)));
            QVERIFY(same(r.value(3).toDouble(), bars->x2(i) - bars->x1(i)));
            QCOMPARE(r.value(4).section(QLatin1Char('/'), 0, 0), bars->firstColor(i).name());
        }
    }

    QSqlDatabase connection(const QString &server)
    {
        return TestServers::connection(server, QStringLiteral("export%1").arg(++connections));
    }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<LogMessageType>("LogMessageType");
        QVERIFY(dir.isValid());
        // The host's decoder of signal-group events.
        new Road::Kernel(QCoreApplication::instance());
    }

    void namesAndTextsKeepTheirSeparators()
    {
        ChartWidget chart;
        CsvExportAction::addTo(&chart);
        auto *line = new LineSeries;
        const QString name = QStringLiteral("in;\"quotes\"\nand a break");
        line->setName(name);
        line->addXY(1, 2.5);
        line->addXY(2, -1e-7);
        chart.addSeries(line, 1);
        auto *bars = new GanttSeries;
        bars->setName(QStringLiteral("bars"));
        bars->addBar(0, 10, -1, QColor(), QStringLiteral("a;b \"c\""));
        chart.addSeries(bars, 2);
        const QVector<QStringList> rows = saved(exportAction(&chart));
        QCOMPARE(rows.size(), 6);
        QCOMPARE(rows.at(1), (QStringList{name, "1", "2.5"}));
        QCOMPARE(rows.at(2), (QStringList{name, "2", "-1e-07"}));
        QCOMPARE(rows.at(5), (QStringList{"bars", "0", "10", "-1", "a;b \"c\""}));
        // A hidden series is not shown, so it is not saved.
        line->setVisible(false);
        QCOMPARE(saved(exportAction(&chart)).size(), 2);
        checkChart(&chart);
    }

    void views_data()
    {
        TestServers::addServerRows();
    }

    void views()
    {
        if (TestServers::available().isEmpty())
            QSKIP("No test servers: run through scripts/dbserver");
        QFETCH(QString, server);
        const QDate day = TestServers::day();

        {
            QSqlDatabase db = connection(server);
            PhasesView view(nullptr, 1, &db, &dbMutex);
            QVERIFY(viewIdle(&view));
            view.findChild<QDateEdit *>("dateEdit")->setDate(day);
            QVERIFY(viewIdle(&view));
            checkChart(view.findChild<ChartWidget *>("chart"));
        }
        {
            QSqlDatabase db = connection(server);
            SGView view(nullptr, 1, &db, &dbMutex);
            view.findChild<QDateTimeEdit *>("dateTimeEdit")->setDateTime(QDateTime(day, QTime(8, 0)));
            QVERIFY(viewIdle(&view));
            view.findChild<QPushButton *>("updateData")->click();
            QVERIFY(viewIdle(&view));
            checkChart(view.findChild<ChartWidget *>("xy_chart"));
            checkChart(view.findChild<ChartWidget *>("cycle_chart"));
            checkTimeline(view.findChild<cwsimple::Chart *>("tl_chart"));
        }
        {
            QSqlDatabase db = connection(server);
            DtView view(nullptr, 1, {"1"}, &db, &dbMutex);
            QVERIFY(viewIdle(&view));
            view.findChild<QDateEdit *>("dateEdit")->setDate(day);
            QVERIFY(viewIdle(&view));
            checkChart(view.findChild<ChartWidget *>("chart"));
        }
        {
            QSqlDatabase db = connection(server);
            DtStatView view(nullptr, 1, {"1"}, &db, &dbMutex);
            QVERIFY(viewIdle(&view));
            view.findChild<QDateEdit *>("dateEdit")->setDate(day);
            QVERIFY(viewIdle(&view));
            checkChart(view.findChild<ChartWidget *>("chart"));
        }

        AsyncDatabase service(nullptr, TestServers::url(server));
        {
            QWidget dock;
            auto *view = new FaultsDtView(&dock, &service, 1, 1, day);
            auto *status = view->findChild<QLabel *>("status");
            QTRY_COMPARE_WITH_TIMEOUT(status->text(), QStringLiteral("obtaining data complete"), 30000);
            checkChart(view->findChild<ChartWidget *>("chart"));
        }
        {
            QWidget dock;
            auto *view = new HealthHistoryView(&dock, &service, 1, 1);
            QVERIFY(viewIdle(view));
            view->findChild<QDateEdit *>("end")->setDate(day);
            QVERIFY(viewIdle(view));
            view->findChild<QDateEdit *>("start")->setDate(day.addDays(-20));
            QVERIFY(viewIdle(view));
            checkChart(view->findChild<ChartWidget *>("chart"));
        }
    }
};

QTEST_MAIN(ViewExportTest)
#include "tst_viewexport.moc"
