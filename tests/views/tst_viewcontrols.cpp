// The controls every dated view shares: previous/next day by button and by
// keyboard, the date kept by Refresh, and the rows counted in the progress
// overlay. Run in a zone with daylight saving, so that the days around the
// changes are 23 and 25 hours long.
#include "TestServers.h"
#include "ViewIdle.h"

#include "async/AsyncDatabase.h"
#include "views/DayNavigator.h"
#include "views/HealthHistoryView.h"
#include "views/LogView.h"
#include "views/Progress.h"
#include "views/SGView.h"

#include <QDateEdit>
#include <QFile>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

#include <ctime>

namespace {

QDateTime local(int y, int mo, int d, int h = 0, int mi = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi));
}

// A bare dated form: a date field, Refresh and the navigator.
struct Form
{
    QWidget view;
    QDateTimeEdit *edit;
    QPushButton *refresh;
    DayNavigator *days;

    Form()
    {
        auto *row = new QHBoxLayout(&view);
        edit = new QDateTimeEdit(&view);
        edit->setDisplayFormat(QStringLiteral("dd.MM.yyyy HH:mm"));
        refresh = new QPushButton(QStringLiteral("Refresh"), &view);
        row->addWidget(edit);
        row->addWidget(refresh);
        days = new DayNavigator(&view, {edit}, refresh);
        days->placeIn(row);
    }
};

} // namespace

class ViewControlsTest : public QObject
{
    Q_OBJECT

private:
    QMutex dbMutex;
    int connections = 0;

    static QString lastLogStatement(const QString &dumpName)
    {
        QFile dump(dumpName);
        if (!dump.open(QIODevice::ReadOnly))
            return QString();
        const QStringList lines = QString::fromUtf8(dump.readAll()).split(QLatin1Char('\n'));
        for (int i = lines.size() - 1; i >= 0; --i) {
            if (lines.at(i).contains(QLatin1String("ShowLog1")))
                return lines.at(i);
        }
        return QString();
    }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<LogMessageType>("LogMessageType");
        // The zone the test runs in must change its clocks.
        QVERIFY(QDateTime(QDate(2026, 7, 1), QTime(12, 0)).offsetFromUtc()
                != QDateTime(QDate(2026, 1, 1), QTime(12, 0)).offsetFromUtc());
    }

    void steps_data()
    {
        QTest::addColumn<QDateTime>("from");
        QTest::addColumn<int>("step");
        QTest::addColumn<bool>("forward");
        QTest::addColumn<QDateTime>("to");
        QTest::addColumn<qint64>("hours");
        QTest::newRow("into the next year") << local(2026, 12, 31) << 1 << true << local(2027, 1, 1) << 24LL;
        QTest::newRow("back into the old year") << local(2027, 1, 1) << 1 << false << local(2026, 12, 31) << 24LL;
        QTest::newRow("leap day") << local(2028, 2, 28) << 1 << true << local(2028, 2, 29) << 24LL;
        QTest::newRow("back over the end of February") << local(2026, 3, 1) << 1 << false << local(2026, 2, 28)
                                                       << 24LL;
        QTest::newRow("end of a 30-day month") << local(2026, 4, 30, 8) << 1 << true << local(2026, 5, 1, 8)
                                               << 24LL;
        QTest::newRow("23-hour day") << local(2026, 3, 28, 12) << 1 << true << local(2026, 3, 29, 12) << 23LL;
        QTest::newRow("25-hour day") << local(2026, 10, 24, 12) << 1 << true << local(2026, 10, 25, 12) << 25LL;
        QTest::newRow("back over the 25-hour day") << local(2026, 10, 26) << 1 << false << local(2026, 10, 25)
                                                   << 25LL;
        // 02:30 does not exist on the last Sunday of March: the hour after.
        QTest::newRow("into the skipped hour") << local(2026, 3, 28, 2, 30) << 1 << true
                                               << local(2026, 3, 29, 3, 0) << 23LL;
        QTest::newRow("a week over the year end") << local(2026, 12, 28) << 7 << true << local(2027, 1, 4)
                                                  << 168LL;
        QTest::newRow("a week back over the clock change") << local(2026, 11, 2) << 7 << false
                                                           << local(2026, 10, 26) << 168LL;
    }

    void steps()
    {
        QFETCH(QDateTime, from);
        QFETCH(int, step);
        QFETCH(bool, forward);
        QFETCH(QDateTime, to);
        QFETCH(qint64, hours);

        Form form;
        form.days->setStepDays(step);
        form.edit->setDateTime(from);
        QSignalSpy refreshed(form.refresh, &QPushButton::clicked);
        QSignalSpy changed(form.edit, &QDateTimeEdit::dateTimeChanged);
        (forward ? form.days->nextButton() : form.days->previousButton())->click();
        QCOMPARE(form.edit->dateTime(), to);
        QCOMPARE(refreshed.count(), 1);
        QCOMPARE(changed.count(), 0); // one refresh, not one per field change
        const QDateTime earlier = forward ? from : to;
        const QDateTime later = forward ? to : from;
        // A step into the skipped hour lands 30 minutes short of a whole day.
        const qint64 minutes = earlier.secsTo(later) / 60;
        QVERIFY2(minutes == hours * 60 || minutes == hours * 60 + 30 || minutes == hours * 60 - 30,
                 qPrintable(QString::number(minutes)));
        if (from.time().minute() == 0)
            QCOMPARE(minutes, hours * 60);
    }

    void keysAndTooltips()
    {
        Form form;
        form.edit->setDateTime(local(2026, 12, 31));
        form.view.show();
        QApplication::setActiveWindow(&form.view);
        QVERIFY(QTest::qWaitForWindowActive(&form.view));
        form.edit->setFocus();
        QTest::keyClick(form.edit, Qt::Key_Right, Qt::AltModifier);
        QCOMPARE(form.edit->date(), QDate(2027, 1, 1));
        QTest::keyClick(form.edit, Qt::Key_Left, Qt::AltModifier);
        QTest::keyClick(form.edit, Qt::Key_Left, Qt::AltModifier);
        QCOMPARE(form.edit->date(), QDate(2026, 12, 30));
        QVERIFY(form.days->previousButton()->toolTip().contains(QLatin1String("Previous day")));
        QVERIFY(form.days->nextButton()->toolTip().contains(QLatin1String("Right")));
        form.days->setStepDays(7);
        QVERIFY(form.days->nextButton()->toolTip().contains(QLatin1String("Next week")));

        // While the view reads, its fields are disabled: nothing moves.
        form.refresh->setEnabled(false);
        form.days->nextButton()->click();
        QTest::keyClick(form.edit, Qt::Key_Right, Qt::AltModifier);
        QCOMPARE(form.edit->date(), QDate(2026, 12, 30));
    }

    void logViewMovesAndRefreshKeepsTheDay_data()
    {
        TestServers::addServerRows();
    }

    void logViewMovesAndRefreshKeepsTheDay()
    {
        if (TestServers::available().isEmpty())
            QSKIP("No test servers: run through scripts/dbserver");
        QFETCH(QString, server);
        const QDate day = TestServers::day();
        QTemporaryDir dir;
        const QString dumpName = dir.filePath(QStringLiteral("dump.sql"));
        Database::startDumpQueries(dumpName);
        struct StopDump { ~StopDump() { Database::stopDumpQueries(); } } stopDump;

        QSqlDatabase db = TestServers::connection(server, QStringLiteral("controls%1").arg(++connections));
        LogView view(nullptr, 1, 0x5FFFF, &db, &dbMutex);
        auto *dateEdit = view.findChild<QDateEdit *>("dateEdit");
        auto *refresh = view.findChild<QPushButton *>("updateData");
        auto *table = view.findChild<QTableWidget *>("tableWidget");
        const auto idle = [&] { return QTest::qWaitFor([&] { return refresh->isEnabled(); }, 30000); };
        const auto requested = [&](const QDate &d) {
            const QString statement = lastLogStatement(dumpName);
            return statement.contains(d.toString(QStringLiteral("yyyy-MM-dd")))
                && statement.contains(d.addDays(1).toString(QStringLiteral("yyyy-MM-dd")));
        };
        QVERIFY(idle());
        dateEdit->setDate(day);
        QTRY_VERIFY(!refresh->isEnabled() || requested(day));
        QVERIFY(idle());
        QVERIFY(requested(day));
        const int rows = table->rowCount();
        QVERIFY(rows > 0);

        // The rows counted in the overlay are the rows the table got.
        QCOMPARE(view.progressOverlay()->rowsText(), QStringLiteral("Rows received: %L1").arg(rows));

        view.show();
        QApplication::setActiveWindow(&view);
        QVERIFY(QTest::qWaitForWindowActive(&view));
        table->setFocus();
        QTest::keyClick(table, Qt::Key_Left, Qt::AltModifier);
        QCOMPARE(dateEdit->date(), day.addDays(-1));
        // Refused while the previous day is still being read.
        QTest::keyClick(table, Qt::Key_Left, Qt::AltModifier);
        QCOMPARE(dateEdit->date(), day.addDays(-1));
        QVERIFY(idle());
        QVERIFY(requested(day.addDays(-1)));
        QVERIFY(table->rowCount() < rows);

        refresh->click();
        QVERIFY(idle());
        QCOMPARE(dateEdit->date(), day.addDays(-1));
        QVERIFY(requested(day.addDays(-1)));

        view.findChild<QToolButton *>("nextDay")->click();
        QVERIFY(idle());
        QCOMPARE(dateEdit->date(), day);
        QVERIFY(requested(day));
        QCOMPARE(table->rowCount(), rows);
    }

    void signalGroupsStepByWeekInWeekMode()
    {
        QSqlDatabase offline = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("offline"));
        offline.setHostName(QStringLiteral("127.0.0.1"));
        offline.setPort(1);
        SGView view(nullptr, 1, &offline, &dbMutex);
        auto *edit = view.findChild<QDateTimeEdit *>("dateTimeEdit");
        auto *refresh = view.findChild<QPushButton *>("updateData");
        // Each load is ended by hand: the server is not there.
        const auto loaded = [&view] {
            QCoreApplication::processEvents();
            QMetaObject::invokeMethod(&view, "on_db_complete");
        };
        loaded();
        QVERIFY(refresh->isEnabled());

        edit->setDateTime(local(2026, 12, 30, 10));
        view.findChild<QPushButton *>("weekData")->click();
        QCOMPARE(edit->dateTime(), local(2026, 12, 28));
        loaded();
        view.findChild<QToolButton *>("nextDay")->click();
        QCOMPARE(edit->dateTime(), local(2027, 1, 4));
        QVERIFY(!refresh->isEnabled()); // the next week is being read
        loaded();

        view.findChild<QPushButton *>("hourData")->click();
        loaded();
        view.findChild<QToolButton *>("previousDay")->click();
        QCOMPARE(edit->dateTime(), local(2027, 1, 3));
    }

    void healthHistoryMovesBothDates()
    {
        if (TestServers::available().isEmpty())
            QSKIP("No test servers: run through scripts/dbserver");
        AsyncDatabase service(nullptr, TestServers::url(TestServers::available().first()));
        QWidget dock;
        auto *view = new HealthHistoryView(&dock, &service, 1, 1);
        QVERIFY(viewIdle(view));
        auto *start = view->findChild<QDateEdit *>("start");
        auto *end = view->findChild<QDateEdit *>("end");
        start->setDate(QDate(2026, 3, 1));
        QVERIFY(viewIdle(view));
        end->setDate(QDate(2026, 3, 31));
        QVERIFY(viewIdle(view));
        QSignalSpy refreshed(view->findChild<QPushButton *>("refreshButton"), &QPushButton::clicked);
        view->findChild<QToolButton *>("nextDay")->click();
        QCOMPARE(start->date(), QDate(2026, 3, 2));
        QCOMPARE(end->date(), QDate(2026, 4, 1));
        QCOMPARE(refreshed.count(), 1);
        QVERIFY(viewIdle(view));
    }
};

int main(int argc, char *argv[])
{
    // Before Qt reads the zone: central Europe changes its clocks on the
    // last Sundays of March and October.
    qputenv("TZ", "Europe/Berlin");
    tzset();
    QApplication app(argc, argv);
    ViewControlsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_viewcontrols.moc"
