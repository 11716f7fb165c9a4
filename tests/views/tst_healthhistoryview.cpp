// The detector health history view loaded from the servers through the
// asynchronous query service.
#include "BoxCloser.h"
#include "TestServers.h"
#include "ViewIdle.h"

#include "async/AsyncDatabase.h"
#include "views/HealthHistoryView.h"

#include "ChartWidget.h"
#include "LineSeries.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDockWidget>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

QString sqlDate(const QDate &date)
{
    return QLatin1Char('\'') + date.toString(Qt::ISODate) + QLatin1Char('\'');
}

double key(const QDate &date)
{
    return ChartSeries::toKey(QDateTime(date, QTime(0, 0)));
}

} // namespace

class HealthHistoryViewTest : public QObject
{
    Q_OBJECT

private:
    int connections = 0;

    static LineSeries *series(QWidget *view)
    {
        auto *chart = view->findChild<ChartWidget *>(QStringLiteral("chart"));
        const QList<ChartSeries *> all = chart ? chart->seriesList() : QList<ChartSeries *>();
        return all.size() == 1 ? qobject_cast<LineSeries *>(all.first()) : nullptr;
    }
    static QVector<QPointF> points(QWidget *view)
    {
        QVector<QPointF> result;
        LineSeries *line = series(view);
        for (int i = 0; line && i < line->pointsCount(); ++i)
            result << line->point(i);
        return result;
    }
    static QString statusText(QWidget *view)
    {
        return view->findChild<QLabel *>(QStringLiteral("status"))->text();
    }
    static QString currentDetector(QWidget *view)
    {
        return view->findChild<QComboBox *>(QStringLiteral("detectors"))->currentText();
    }
    // Sets the range as a user would: each date change reloads the view.
    static bool setRange(QWidget *view, const QDate &from, const QDate &to)
    {
        view->findChild<QDateEdit *>(QStringLiteral("end"))->setDate(to);
        if (!viewIdle(view))
            return false;
        view->findChild<QDateEdit *>(QStringLiteral("start"))->setDate(from);
        return viewIdle(view);
    }
    static std::unique_ptr<HealthHistoryView> makeView(AsyncDatabase *db, uint object, int detector,
                                                      QWidget *parent = nullptr)
    {
        auto view = std::make_unique<HealthHistoryView>(parent, db, object, detector);
        QCoreApplication::processEvents(); // the queued refresh starts
        return view;
    }
    static bool exec(QSqlDatabase &db, const QString &statement)
    {
        QSqlQuery q(db);
        if (q.exec(statement))
            return true;
        qWarning("%s: %s", qPrintable(statement), qPrintable(q.lastError().text()));
        return false;
    }

private slots:
    void perServer_data()
    {
        TestServers::addServerRows();
    }

    // Points are the days' rows in date order, even when the table keeps
    // them in another order; a day without a row gets no point.
    void historyFromServer_data() { perServer_data(); }
    void historyFromServer()
    {
        if (TestServers::available().isEmpty())
            QSKIP("No test servers: run through scripts/dbserver");
        QFETCH(QString, server);
        QSqlDatabase reference = TestServers::connection(server, QStringLiteral("ref%1").arg(++connections));
        QVERIFY(reference.open());
        const QDate day = TestServers::day();
        const QDate from = day.addDays(-30);
        const QDate missing = day.addDays(-10);
        const QDate moved = day.addDays(-20);
        const QString where = QStringLiteral(" from dthealth where objectid=2 and detectorid=2 and date=");

        // Take the day `missing` out and store `moved` last; both come back after the test.
        QMap<QDate, int> saved;
        for (const QDate &d : {missing, moved}) {
            QSqlQuery q(reference);
            QVERIFY(q.exec(QStringLiteral("select health") + where + sqlDate(d)));
            if (q.next())
                saved.insert(d, q.value(0).toInt());
        }
        auto restore = [&] {
            for (const QDate &d : {missing, moved})
                exec(reference, QStringLiteral("delete") + where + sqlDate(d));
            for (auto it = saved.cbegin(); it != saved.cend(); ++it)
                exec(reference, QStringLiteral("insert into dthealth (objectid,detectorid,date,health) "
                                               "values (2,2,%1,%2)").arg(sqlDate(it.key())).arg(it.value()));
        };
        struct Guard { std::function<void()> f; ~Guard() { f(); } } guard{restore};
        QVERIFY(exec(reference, QStringLiteral("delete") + where + sqlDate(missing)));
        QVERIFY(exec(reference, QStringLiteral("delete") + where + sqlDate(moved)));
        QVERIFY(exec(reference, QStringLiteral("insert into dthealth (objectid,detectorid,date,health) "
                                               "values (2,2,%1,42)").arg(sqlDate(moved))));

        AsyncDatabase db(nullptr, TestServers::url(server));
        QTemporaryDir dumpDir;
        const QString dumpName = dumpDir.filePath(QStringLiteral("dump.sql"));
        db.setDumpFileName(dumpName);
        auto view = makeView(&db, 2, 2);
        QVERIFY(viewIdle(view.get()));
        QCOMPARE(currentDetector(view.get()), QStringLiteral("2"));
        QVERIFY(setRange(view.get(), from, day));
        // The reloaded list keeps the detector.
        QCOMPARE(currentDetector(view.get()), QStringLiteral("2"));
        QCOMPARE(view->windowTitle(), QStringLiteral("health history for dt 2-2"));
        QCOMPARE(statusText(view.get()), QStringLiteral("obtaining data complete"));

        QSqlQuery q(reference);
        QVERIFY(q.exec(QStringLiteral("select date,health from dthealth where objectid=2 and detectorid=2 "
                                      "and date between %1 and %2 order by date")
                           .arg(sqlDate(from), sqlDate(day))));
        QVector<QPointF> expected;
        while (q.next())
            expected << QPointF(key(q.value(0).toDate()), q.value(1).toInt());
        QVERIFY(expected.size() > 10);
        const QVector<QPointF> got = points(view.get());
        QCOMPARE(got, expected);
        QVERIFY(got.contains(QPointF(key(moved), 42)));
        for (const QPointF &p : got)
            QVERIFY(p.x() != key(missing));
        for (int i = 1; i < got.size(); ++i)
            QVERIFY(got.at(i - 1).x() < got.at(i).x());

        // The chart sorts what it is given, so the order of the rows is seen
        // only by running the statement the view sent.
        QFile dump(dumpName);
        QVERIFY(dump.open(QIODevice::ReadOnly));
        QString sent;
        for (const QString &record : QString::fromUtf8(dump.readAll()).split(QLatin1Char('\r'))) {
            if (record.contains(QLatin1String("from dthealth")))
                sent = record.section(QLatin1Char(' '), 1);
        }
        QVERIFY(!sent.isEmpty());
        QSqlQuery rerun(reference);
        QVERIFY2(rerun.exec(sent), qPrintable(sent));
        QVector<QPointF> rows;
        while (rerun.next())
            rows << QPointF(key(rerun.value(0).toDate()), rerun.value(1).toInt());
        QCOMPARE(rows, expected);

        // Requests leave the health scale alone.
        Axis *left = view->findChild<ChartWidget *>(QStringLiteral("chart"))->axes()->left();
        QCOMPARE(left->minimum(), -1.0);
        QCOMPARE(left->maximum(), 110.0);
        QVERIFY(left->scaleLocked());
    }

    // The host's detector is selected when the object has it, else the first.
    void initialDetector_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<int>("requested");
        QTest::addColumn<QString>("selected");
        for (const QString &s : TestServers::available()) {
            QTest::newRow(qPrintable(s + " existing")) << s << 3 << "3";
            QTest::newRow(qPrintable(s + " none")) << s << -1 << "1";
            QTest::newRow(qPrintable(s + " unknown")) << s << 77 << "1";
        }
    }
    void initialDetector()
    {
        if (TestServers::available().isEmpty())
            QSKIP("No test servers: run through scripts/dbserver");
        QFETCH(QString, server);
        QFETCH(int, requested);
        QFETCH(QString, selected);
        AsyncDatabase db(nullptr, TestServers::url(server));
        auto view = makeView(&db, 1, requested);
        QVERIFY(viewIdle(view.get()));
        auto *detectors = view->findChild<QComboBox *>(QStringLiteral("detectors"));
        QStringList items;
        for (int i = 0; i < detectors->count(); ++i)
            items << detectors->itemText(i);
        QCOMPARE(items, (QStringList{"1", "2", "3", "4"}));
        QCOMPARE(detectors->currentText(), selected);
        QCOMPARE(view->windowTitle(), QStringLiteral("health history for dt 1-") + selected);

        // Choosing a detector reads its history directly.
        const QDate day = TestServers::day();
        QVERIFY(setRange(view.get(), day.addDays(-6), day));
        detectors->setCurrentIndex(3);
        QVERIFY(viewIdle(view.get()));
        QCOMPARE(view->windowTitle(), QStringLiteral("health history for dt 1-4"));
        // Detector 4 is dead for the last recorded days.
        const QVector<QPointF> got = points(view.get());
        QVERIFY(got.contains(QPointF(key(day.addDays(-2)), 0)));
        QVERIFY(got.contains(QPointF(key(day.addDays(-1)), 0)));
    }

    void startAfterEndGivesEmptyLine_data() { perServer_data(); }
    void startAfterEndGivesEmptyLine()
    {
        if (TestServers::available().isEmpty())
            QSKIP("No test servers: run through scripts/dbserver");
        QFETCH(QString, server);
        AsyncDatabase db(nullptr, TestServers::url(server));
        auto view = makeView(&db, 1, 1);
        const QDate day = TestServers::day();
        QVERIFY(setRange(view.get(), day.addDays(-20), day));
        QVERIFY(!points(view.get()).isEmpty());
        view->findChild<QDateEdit *>(QStringLiteral("start"))->setDate(day.addDays(1));
        QVERIFY(viewIdle(view.get()));
        QVERIFY(points(view.get()).isEmpty());
        QCOMPARE(statusText(view.get()), QStringLiteral("obtaining data complete"));
    }

    void noDetectorsClosesTheDock_data() { perServer_data(); }
    void noDetectorsClosesTheDock()
    {
        if (TestServers::available().isEmpty())
            QSKIP("No test servers: run through scripts/dbserver");
        QFETCH(QString, server);
        AsyncDatabase db(nullptr, TestServers::url(server));
        BoxCloser boxes;
        QPointer<QDockWidget> dock = new QDockWidget;
        dock->setAttribute(Qt::WA_DeleteOnClose);
        dock->setWidget(new HealthHistoryView(dock, &db, 5, -1)); // object 5 has no detectors
        dock->show();
        QTRY_VERIFY_WITH_TIMEOUT(dock.isNull(), 20000);
        QCOMPARE(boxes.titles, QStringList{"warning"});
        QCOMPARE(boxes.texts, QStringList{"Selected object not contains detectors"});
    }
};

QTEST_MAIN(HealthHistoryViewTest)
#include "tst_healthhistoryview.moc"
