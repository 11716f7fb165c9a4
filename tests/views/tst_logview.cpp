// The event log view as the operator uses it: days with known rows fed as
// the worker feeds them, and days loaded from the servers.
#include "EveryView.h"
#include "ViewTest.h"

#include "views/LogView.h"

#include <QApplication>
#include <QCollator>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QTextCodec>
#include <QTimeEdit>
#include <QToolButton>
#include <QtTest>

class LogViewTest : public ViewTest
{
    Q_OBJECT

private:
    // A log view in front, for the keys typed into it; on today, so paused,
    // that no follow step takes the rows fed by hand.
    std::unique_ptr<LogView> open(uint ver = 0x5FFFF)
    {
        auto view = opened<LogView>(facade.createLogWidget(1, ver));
        view->findChild<QToolButton *>("live")->setChecked(false);
        view->show();
        QApplication::setActiveWindow(view.get());
        if (!QTest::qWaitForWindowExposed(view.get()))
            qWarning("the view was not shown");
        return view;
    }
    static void feed(LogView *view, const QTime &time, const QString &type, const QString &descr,
                     const QByteArray &data = {}, int typeId = 9, int value = 0)
    {
        deliver(view, "on_db_lumoLogData", QDateTime(QDate(2024, 3, 6), time), QTime(12, 0, 4), typeId, type, descr,
                value, data);
    }
    static QStringList column(QWidget *view, int c)
    {
        QStringList texts;
        for (int r = 0; r < table(view)->rowCount(); ++r)
            texts << (table(view)->item(r, c) ? table(view)->item(r, c)->text() : QStringLiteral("-"));
        return texts;
    }
    // Save, the name typed into the dialog once it is shown.
    void saveThroughDialog(QWidget *view, const char *name)
    {
        QTimer answer;
        connect(&answer, &QTimer::timeout, [&] {
            if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
                answer.stop();
                QCOMPARE(dialog->windowTitle(), QStringLiteral("Select file to save"));
                dialog->findChild<QLineEdit *>("fileNameEdit")->setText(files.filePath(name));
                QTest::keyClick(dialog->findChild<QLineEdit *>("fileNameEdit"), Qt::Key_Return);
            }
        });
        answer.start(50);
        deliver(view, "on_saveData_clicked");
    }

    // A day with known rows in time order (time, type, description); the
    // server delivers the last two the other way round.
    static QStringList knownRow(int i)
    {
        static const char *const rows[] = {
            "08:00|Дверь шкафа|Дверь шкафа: открыта", "08:30|Детектор|Детектор 3: занят",
            "09:15|Связь с центром|Связь с центром: потеряна", "10:00|Детектор|Детектор 12: свободен",
            "11:45|Дверь шкафа|Дверь шкафа: закрыта", "12:00|Lamp|Лампа 1 группы 3: обрыв"};
        return QString::fromUtf8(rows[i]).split('|');
    }
    static void loadKnownDay(LogView *view)
    {
        deliver(view, "on_updateData_clicked", false);
        for (int i : {0, 1, 2, 3, 5, 4})
            feed(view, QTime::fromString(knownRow(i).at(0), "hh:mm"), knownRow(i).at(1), knownRow(i).at(2));
        deliver(view, "on_db_complete");
    }

private slots:
    void initTestCase()
    {
        // Texts sort in the order of a language, where "a" < "B" < "c".
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    void init() { use(); }

    // Generations 2 to 4 have a Source column; 3 and 4 their rows decoded
    // from the bytes (Windows-1251). The rows are sorted by time at the end.
    void columnsAndDecoding()
    {
        for (const QPoint &g : QVector<QPoint>{{0x2FFFF, 5}, {0x3FFFF, 5}, {0x4FFFF, 5}, {0x5FFFF, 4}, {7, 4}})
            QCOMPARE(table(open(g.x()).get())->columnCount(), g.y());
        const QByteArray text = QTextCodec::codecForName("Windows-1251")->fromUnicode(QStringLiteral("Авария лампы"));
        for (uint generation : {0x3FFFFu, 0x4FFFFu}) {
            auto view = open(generation);
            feed(view.get(), QTime(12, 0, 7), "Fault", "ignored", "12:00 K1", 7);
            feed(view.get(), QTime(12, 0, 5), "Service", "ignored", {}, 1, 5);
            feed(view.get(), QTime(12, 0, 6), "Fault", "ignored", "  12:00  K1  " + text, 7);
            deliver(view.get(), "on_db_complete");
            QCOMPARE(column(view.get(), 3) + column(view.get(), 4),
                     (QStringList{"-", "K1", "-", "ДК подключился", "Авария лампы", "-"}));
            QVERIFY(view->saveTo(files.filePath("old.csv")));
            QCOMPARE(fileText("old.csv").split('\n').mid(2, 2),
                     (QStringList{"12:00:06;12:00:04;Fault;K1;Авария лампы", "12:00:07;12:00:04;Fault;;"}));
        }
    }

    // Save asks for a name and adds ".csv" to one without a suffix; fields
    // keep the separator, quotes and line breaks within quotes.
    void saveFormat()
    {
        auto view = open();
        feed(view.get(), QTime(12, 0, 5), "Door", "open");
        feed(view.get(), QTime(12, 0, 5), "Lamp", "a;b \"c\"\nd");
        deliver(view.get(), "on_db_complete");
        for (const char *name : {"day", "log.txt"}) {
            saveThroughDialog(view.get(), name);
            // Written in the background; the button comes back when it is.
            QTRY_VERIFY(view->findChild<QPushButton *>("saveData")->isEnabled());
        }
        QCOMPARE(fileText("day.csv"), QStringLiteral("Time;Device time;Type;Description\n12:00:05;12:00:04;Door;open;\n"
                                                     "12:00:05;12:00:04;Lamp;\"a;b \"\"c\"\"\nd\";\n"));
        QCOMPARE(fileText("log.txt"), fileText("day.csv"));
        QString error;
        QVERIFY(!view->saveTo(files.filePath("missing/dir/x.csv"), &error) && !error.isEmpty());
    }

    // Save takes the rows shown as they are when it is pressed; the table
    // answers meanwhile: a filter and another order while the file is
    // written do not reach it.
    void saveWhileTableChanges()
    {
        auto view = open();
        loadKnownDay(view.get());
        clickHeader(view.get(), 3);
        QTRY_COMPARE(table(view.get())->horizontalHeader()->sortIndicatorSection(), 3);
        const QStringList sorted = column(view.get(), 3);
        saveThroughDialog(view.get(), "sorted.csv");
        view->setProperty("shownEventTypes", QStringList{"Детектор"});
        clickHeader(view.get(), 0);
        QTRY_COMPARE(column(view.get(), 3), (QStringList{knownRow(1).at(2), knownRow(3).at(2)}));
        QTRY_VERIFY(view->findChild<QPushButton *>("saveData")->isEnabled());
        QStringList saved;
        for (const QString &line : fileText("sorted.csv").split('\n').mid(1, 6))
            saved << line.section(';', 3, 3);
        QCOMPARE(saved, sorted);
    }

    // The order of the last header click holds for every load: times as
    // their texts sort, other columns in the language's order, equal texts
    // in arrival order; a selected row keeps its record.
    void sortedByHeader()
    {
        auto view = open();
        const auto load = [&view](bool selectA) {
            deliver(view.get(), "on_updateData_clicked", false);
            // The last one at the next day's midnight, the last from the server.
            for (const QPoint &row : QVector<QPoint>{{10, 'b'}, {9, 'a'}, {10, 'B'}, {0, 'c'}})
                feed(view.get(), QTime(row.x(), 0), "T", QString(QChar(row.y())));
            if (selectA && QTest::qWaitFor([&] { return table(view.get())->rowCount() == 4; }))
                table(view.get())->selectRow(1);
            deliver(view.get(), "on_db_complete");
        };
        load(false);
        QCOMPARE(column(view.get(), 3), (QStringList{"c", "a", "b", "B"}));
        QCOMPARE(column(view.get(), 0), (QStringList{"00:00:00", "09:00:00", "10:00:00", "10:00:00"}));
        clickHeader(view.get(), 3);
        QTRY_COMPARE(column(view.get(), 3), (QStringList{"a", "b", "B", "c"}));
        clickHeader(view.get(), 0);
        clickHeader(view.get(), 0);
        QTRY_COMPARE(column(view.get(), 3), (QStringList{"b", "B", "a", "c"}));
        load(true);
        QTRY_COMPARE(column(view.get(), 3), (QStringList{"b", "B", "a", "c"}));
        QCOMPARE(table(view.get())->selectionModel()->selectedRows().value(0).row(), 2);
    }

    void findInKnownDay_data()
    {
        QTest::addColumn<QString>("types");
        QTest::addColumn<QString>("search");
        QTest::addColumn<bool>("newestFirst");
        QTest::addColumn<QTime>("jump");
        QTest::addColumn<QString>("rows"); // the known rows shown, in their order
        QTest::addColumn<int>("selected");
        QTest::newRow("every row, a jump to a row") << "" << "" << false << QTime(9, 15) << "012345" << 2;
        QTest::newRow("one type, a jump between rows") << "Детектор" << "" << false << QTime(8, 45) << "13" << 3;
        QTest::newRow("two types, newest first") << "Детектор|Дверь шкафа" << "" << true << QTime(10, 30) << "4310"
                                                 << 3;
        QTest::newRow("a Cyrillic word in another case, a jump past the last row")
            << "" << "ЗАКРЫТА" << false << QTime(12, 0, 1) << "4" << -1;
        QTest::newRow("the type's text") << "" << "lAMP" << false << QTime(9, 15) << "5" << 5;
        QTest::newRow("a type and a text") << "Детектор" << "свобод" << false << QTime(8, 0) << "3" << 3;
        QTest::newRow("nothing matches") << "" << "Дверь шкафа: нет" << false << QTime(8, 0) << "" << -1;
    }

    // Through the widgets: the type menu, the search field typed into after
    // Ctrl+F, the jump field and the count beside them. Save writes the rows
    // shown in their order, a new load is shown through the same filter,
    // Escape and Clear show every row again.
    void findInKnownDay()
    {
        QFETCH(QString, types);
        QFETCH(QString, search);
        QFETCH(bool, newestFirst);
        QFETCH(QTime, jump);
        QFETCH(QString, rows);
        QFETCH(int, selected);
        QStringList shown;
        for (const QChar i : rows)
            shown << knownRow(i.digitValue()).at(2);
        auto view = open();
        QVERIFY(QTest::qWaitForWindowActive(view.get()));
        QTableWidget *t = table(view.get());
        loadKnownDay(view.get());
        QCOMPARE(shownCount(view.get()), QStringLiteral("6 of 6 records"));
        if (newestFirst)
            clickHeader(view.get(), 0);
        QMenu *typeMenu = view->findChild<QPushButton *>("typeFilter")->menu();
        for (QAction *action : typeMenu->actions()) {
            if (types.split('|', Qt::SkipEmptyParts).contains(action->data().toString())) {
                const QString before = shownCount(view.get());
                action->trigger();
                QTRY_VERIFY(shownCount(view.get()) != before);
            }
        }
        t->setFocus();
        QTest::keyClick(t, Qt::Key_F, Qt::ControlModifier);
        auto *searchEdit = view->findChild<QLineEdit *>("searchEdit");
        QCOMPARE(QApplication::focusWidget(), searchEdit);
        for (const QChar c : search)
            QTest::sendKeyEvent(QTest::Click, searchEdit, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTRY_COMPARE(column(view.get(), 3), shown);
        const QString count = QStringLiteral("%1 of 6 records").arg(shown.size());
        QCOMPARE(shownCount(view.get()), count);
        view->findChild<QTimeEdit *>("jumpTime")->setTime(jump);
        const QModelIndexList chosen = t->selectionModel()->selectedRows();
        QCOMPARE(chosen.isEmpty() ? QString() : t->item(chosen.first().row(), 3)->text(),
                 selected < 0 ? QString() : knownRow(selected).at(2));

        QVERIFY(view->saveTo(files.filePath("shown.csv")));
        QString lines = "Time;Device time;Type;Description\n";
        for (int r = 0; r < t->rowCount(); ++r)
            lines += QStringList{t->item(r, 0)->text(), "12:00:04", t->item(r, 2)->text(), shown.at(r), "\n"}.join(';');
        QCOMPARE(fileText("shown.csv"), lines);
        loadKnownDay(view.get());
        QTRY_COMPARE(column(view.get(), 3), shown);
        QCOMPARE(shownCount(view.get()), count);

        QTest::keyClick(searchEdit, Qt::Key_Escape);
        QVERIFY(searchEdit->text().isEmpty());
        view->findChild<QPushButton *>("clearFilter")->click();
        QTRY_COMPARE(shownCount(view.get()), QStringLiteral("6 of 6 records"));
        QVERIFY(typeMenu->actions().first()->isChecked());
        // The field's clear button fades out by an animation of no parent,
        // which outlives a view closed before it ends.
        for (QToolButton *button : searchEdit->findChildren<QToolButton *>())
            QTRY_COMPARE(button->property("opacity").toDouble(), 0.0);
    }

    // A day from the server, the day before by Alt+Left (a second press
    // while it is read is refused), Refresh keeping that day, the next day
    // by its button. (Cancel and close while the server holds the statement:
    // tst_faults.)
    void fromServer_data() { TestServers::addServerRows(); }
    void fromServer()
    {
        USE_ROW_SERVER();
        const QDate day = TestServers::day();
        const auto count = [this](const QDate &d) {
            return rows(QStringLiteral("select count(*) from events where objectid=1 and time >= %1 and time < %2")
                            .arg(sqlDay(d), sqlDay(d.addDays(1)))).value(0).value(0).toInt();
        };
        auto view = open();
        QTableWidget *t = table(view.get());
        QVERIFY(viewLoaded(view.get()) && showDate(view.get(), day));
        QCOMPARE(t->rowCount(), count(day));
        QVERIFY(QRegularExpression(R"(^\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\] Data acquisition is complete$)")
                    .match(view->findChild<QComboBox *>("log")->currentText()).hasMatch());
        QCOMPARE(view->progressOverlay()->rowsText(), QStringLiteral("Rows received: %L1").arg(count(day)));

        QVERIFY(QTest::qWaitForWindowActive(view.get()));
        t->setFocus();
        QTest::keyClick(t, Qt::Key_Left, Qt::AltModifier);
        QTest::keyClick(t, Qt::Key_Left, Qt::AltModifier);
        QVERIFY(viewLoaded(view.get()) && click(view.get(), "updateData"));
        QCOMPARE(view->findChild<QDateEdit *>("dateEdit")->date(), day.addDays(-1));
        QVERIFY(t->rowCount() < count(day));
        QCOMPARE(t->rowCount(), count(day.addDays(-1)));
        QVERIFY(click(view.get(), "nextDay"));
        QCOMPARE(t->rowCount(), count(day));
    }

    // Cancel at any moment of a load, from right after Refresh to after its
    // end: the table is then what its count says, rows of the day in the
    // order of the header.
    void cancelledLoads_data() { TestServers::addServerRows({"after 0 rows", "after 500 rows", "after 1000000 rows"}); }
    void cancelledLoads()
    {
        USE_ROW_SERVER();
        QFETCH(QString, kind);
        const int after = kind.section(' ', 1, 1).toInt();
        auto view = open();
        QTableWidget *t = table(view.get());
        QVERIFY(viewLoaded(view.get()) && showDate(view.get(), TestServers::day()));
        clickHeader(view.get(), 3);
        clickHeader(view.get(), 3);
        QTRY_COMPARE(t->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
        QHash<QString, int> day;
        for (const QString &row : EveryView::shown(view.get()))
            ++day[row];

        const QRegularExpression total(QStringLiteral(" of (\\S+) records"));
        view->findChild<QPushButton *>("updateData")->click();
        QTRY_VERIFY(!viewReading(view.get())
                    || QLocale().toInt(total.match(shownCount(view.get())).captured(1)) >= after);
        view->progressOverlay()->cancelButton()->click();
        QVERIFY(viewLoaded(view.get()));
        QTRY_VERIFY(t->horizontalHeader()->sortIndicatorSection() == 3 && t->updatesEnabled());
        QCOMPARE(shownCount(view.get()), QStringLiteral("%L1 of %L1 records").arg(t->rowCount()));
        const QCollator collator;
        const QStringList shownRows = EveryView::shown(view.get());
        for (int r = 0; r < t->rowCount(); ++r) {
            QVERIFY2(day[shownRows.at(r)]-- > 0, qPrintable(shownRows.at(r)));
            QVERIFY(r == 0 || collator.compare(t->item(r - 1, 3)->text(), t->item(r, 3)->text()) >= 0);
        }
    }
};

QTEST_MAIN(LogViewTest)
#include "tst_logview.moc"
