// The event log view as the operator uses it: load a day, read the rows,
// save them, cancel, close.
#include "TestServers.h"

#include "decoding/EventCatalogue.h"
#include "views/LogView.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QTimeEdit>
#include <QtTest>

#include <memory>

class LogViewTest : public QObject
{
    Q_OBJECT

private:
    QMutex dbMutex;
    QSqlDatabase shared;
    int connections = 0;

    std::unique_ptr<LogView> makeView(uint object, uint ver)
    {
        auto view = std::make_unique<LogView>(nullptr, object, ver, &shared, &dbMutex);
        view->resize(800, 600);
        // Let the first load, queued by the constructor, start now rather
        // than inside a dialog's event loop later.
        QCoreApplication::processEvents();
        return view;
    }

    static QTableWidget *table(QWidget *view) { return view->findChild<QTableWidget *>("tableWidget"); }
    static QDateEdit *dateEdit(QWidget *view) { return view->findChild<QDateEdit *>("dateEdit"); }
    static QPushButton *button(QWidget *view, const char *name) { return view->findChild<QPushButton *>(name); }

    // Feeds a row the way the worker does.
    static void feed(LogView *view, const QString &type, const QString &descr, int typeId = 9,
                     int val = 0, const QByteArray &data = {}, const QTime &time = QTime(12, 0, 5))
    {
        QVERIFY(QMetaObject::invokeMethod(view, "on_db_lumoLogData",
                                          Q_ARG(QDateTime, QDateTime(QDate(2024, 3, 6), time)),
                                          Q_ARG(QTime, QTime(12, 0, 4)), Q_ARG(int, typeId), Q_ARG(QString, type),
                                          Q_ARG(QString, descr), Q_ARG(int, val), Q_ARG(QByteArray, data)));
    }
    static void refresh(LogView *view)
    {
        QVERIFY(QMetaObject::invokeMethod(view, "on_updateData_clicked", Q_ARG(bool, false)));
    }
    static QStringList column(QTableWidget *t, int c)
    {
        QStringList texts;
        for (int r = 0; r < t->rowCount(); ++r)
            texts << (t->item(r, c) ? t->item(r, c)->text() : QStringLiteral("-"));
        return texts;
    }
    static void clickHeader(QTableWidget *t, int section)
    {
        QHeaderView *header = t->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                                 header->height() / 2));
    }
    static void finish(LogView *view) { QVERIFY(QMetaObject::invokeMethod(view, "on_db_complete")); }

    // A day with known rows, the last one out of time order as a server
    // may deliver it.
    static void loadKnownDay(LogView *view)
    {
        refresh(view);
        feed(view, "Дверь шкафа", "Дверь шкафа: открыта", 5, 0, {}, QTime(8, 0));
        feed(view, "Детектор", "Детектор 3: занят", 11, 0, {}, QTime(8, 30));
        feed(view, "Связь с центром", "Связь с центром: потеряна", 9, 0, {}, QTime(9, 15));
        feed(view, "Детектор", "Детектор 12: свободен", 11, 0, {}, QTime(10, 0));
        feed(view, "Lamp", "Лампа 1 группы 3: обрыв", 8, 0, {}, QTime(12, 0));
        feed(view, "Дверь шкафа", "Дверь шкафа: закрыта", 5, 0, {}, QTime(11, 45));
        finish(view);
    }
    static void chooseTypes(QWidget *view, const QStringList &types)
    {
        for (QAction *action : view->findChild<QPushButton *>("typeFilter")->menu()->actions()) {
            if (types.contains(action->data().toString()))
                action->trigger();
        }
    }
    // Typed key by key, Cyrillic included.
    static void typeText(QWidget *widget, const QString &text)
    {
        for (const QChar c : text)
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    static QString shownCount(QWidget *view) { return view->findChild<QLabel *>("shownCount")->text(); }

    static QStringList fileLines(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLocal8Bit(file.readAll()).split('\n');
    }

    // Answers the next save dialog with `name`.
    static void answerSaveDialog(const QString &name)
    {
        QTimer::singleShot(200, [name] {
            QFileDialog *dialog = nullptr;
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (auto *d = qobject_cast<QFileDialog *>(w); d && d->isVisible())
                    dialog = d;
            }
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Select file to save"));
            auto *edit = dialog->findChild<QLineEdit *>("fileNameEdit");
            QVERIFY(edit);
            edit->setText(name);
            QTest::keyClick(edit, Qt::Key_Return);
        });
    }

    void useServer(const QString &server)
    {
        shared = TestServers::connection(server, QStringLiteral("logview%1").arg(++connections));
    }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<LogMessageType>("LogMessageType");
        // Texts sort in the order of a language, where "a" < "B" < "c".
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        // Never loaded against a server: a URL nobody listens on.
        shared = QSqlDatabase::addDatabase("QPSQL", "offline");
        shared.setHostName("127.0.0.1");
        shared.setPort(1);
    }

    void columnsByGeneration()
    {
        for (uint ver : {0x2FFFFu, 0x3FFFFu, 0x4FFFFu}) {
            auto view = makeView(1, ver);
            QCOMPARE(table(view.get())->columnCount(), 5);
            QCOMPARE(table(view.get())->horizontalHeaderItem(3)->text(), QStringLiteral("Source"));
        }
        for (uint ver : {0x5FFFFu, 7u}) {
            auto view = makeView(1, ver);
            QCOMPARE(table(view.get())->columnCount(), 4);
            QCOMPARE(table(view.get())->horizontalHeaderItem(3)->text(), QStringLiteral("Description"));
        }
        auto view = makeView(1, 0x5FFFF);
        QCOMPARE(dateEdit(view.get())->date(), QDate::currentDate());
        QCOMPARE(dateEdit(view.get())->calendarWidget()->firstDayOfWeek(), Qt::Monday);
    }

    void saveFormat()
    {
        QTemporaryDir dir;
        auto view = makeView(1, 0x5FFFF);
        // Saving an empty table asks nothing.
        QVERIFY(QMetaObject::invokeMethod(view.get(), "on_saveData_clicked"));

        feed(view.get(), "Door", "open");
        feed(view.get(), "Lamp", "a;b \"c\"\nd");
        finish(view.get());
        QCOMPARE(table(view.get())->rowCount(), 2);

        answerSaveDialog(dir.filePath("day"));
        QVERIFY(QMetaObject::invokeMethod(view.get(), "on_saveData_clicked"));
        QVERIFY(QFile::exists(dir.filePath("day.csv")));
        QCOMPARE(fileLines(dir.filePath("day.csv")),
                 (QStringList{"Time;Device time;Type;Description", "12:00:05;12:00:04;Door;open;",
                              "12:00:05;12:00:04;Lamp;\"a;b \"\"c\"\"", "d\";", ""}));

        answerSaveDialog(dir.filePath("name."));
        QVERIFY(QMetaObject::invokeMethod(view.get(), "on_saveData_clicked"));
        QVERIFY(QFile::exists(dir.filePath("name..csv")));
        answerSaveDialog(dir.filePath("log.txt"));
        QVERIFY(QMetaObject::invokeMethod(view.get(), "on_saveData_clicked"));
        QVERIFY(QFile::exists(dir.filePath("log.txt")));
        QVERIFY(!QFile::exists(dir.filePath("log.txt.csv")));

        // A file that cannot be opened reports why.
        QString error;
        QVERIFY(!view->saveTo(dir.filePath("missing/dir/x.csv"), &error));
        QVERIFY(!error.isEmpty());
    }

    void fiveColumnRowsDecoded()
    {
        QTemporaryDir dir;
        auto view = makeView(2, 0x3FFFF);
        QTextCodec *cp1251 = QTextCodec::codecForName("Windows-1251");
        // Out of time order: the rows are sorted by time when the load ends,
        // each with its own cells.
        feed(view.get(), "Fault", "ignored", 7, 0, "12:00 K1", QTime(12, 0, 7));
        feed(view.get(), "Service", "ignored", 1, 5);
        feed(view.get(), "Fault", "ignored", 7, 0,
             QByteArray("  12:00  K1  ") + cp1251->fromUnicode(QStringLiteral("Авария лампы")), QTime(12, 0, 6));
        finish(view.get());
        QTableWidget *t = table(view.get());
        QCOMPARE(t->rowCount(), 3);
        QVERIFY(!t->item(0, 3));
        QCOMPARE(t->item(0, 4)->text(), QStringLiteral("ДК подключился"));
        QCOMPARE(t->item(1, 3)->text(), QStringLiteral("K1"));
        QCOMPARE(t->item(1, 4)->text(), QStringLiteral("Авария лампы"));
        QVERIFY(!t->item(2, 3));
        QVERIFY(!t->item(2, 4));
        QVERIFY(view->saveTo(dir.filePath("g3.csv")));
        const QStringList lines = fileLines(dir.filePath("g3.csv"));
        QCOMPARE(lines.at(0), QStringLiteral("Time;Device time;Type;Source;Description"));
        QCOMPARE(lines.at(2), QStringLiteral("12:00:06;12:00:04;Fault;K1;Авария лампы"));
        QCOMPARE(lines.at(3), QStringLiteral("12:00:07;12:00:04;Fault;;"));
    }

    // The order of the last header click holds for every load: times as
    // their texts sort, other columns in the language's order, equal texts
    // in arrival order; a selected row keeps its record.
    void sortedByHeader()
    {
        auto view = makeView(1, 0x5FFFF);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        QTableWidget *t = table(view.get());
        const auto load = [&](bool selectA) {
            refresh(view.get());
            feed(view.get(), "T", "b", 9, 0, {}, QTime(10, 0));
            feed(view.get(), "T", "a", 9, 0, {}, QTime(9, 0));
            feed(view.get(), "T", "B", 9, 0, {}, QTime(10, 0));
            feed(view.get(), "T", "c", 9, 0, {}, QTime(0, 0)); // the next day's midnight, last from the server
            if (selectA) {
                QTRY_COMPARE(t->rowCount(), 4);
                t->selectRow(1);
            }
            finish(view.get());
        };
        load(false);
        QCOMPARE(column(t, 3), (QStringList{"c", "a", "b", "B"}));
        QCOMPARE(column(t, 0), (QStringList{"00:00:00", "09:00:00", "10:00:00", "10:00:00"}));
        clickHeader(t, 3);
        QCOMPARE(column(t, 3), (QStringList{"a", "b", "B", "c"}));
        clickHeader(t, 0);
        clickHeader(t, 0);
        QCOMPARE(column(t, 3), (QStringList{"b", "B", "a", "c"}));

        load(true);
        QCOMPARE(column(t, 3), (QStringList{"b", "B", "a", "c"}));
        QCOMPARE(t->horizontalHeader()->sortIndicatorSection(), 0);
        QCOMPARE(t->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
        QCOMPARE(t->selectionModel()->selectedRows().value(0).row(), 2);
    }

    void filterRows_data()
    {
        QTest::addColumn<QStringList>("types");
        QTest::addColumn<QString>("search");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("one type") << QStringList{"Детектор"} << QString()
                                  << QStringList{"Детектор 3: занят", "Детектор 12: свободен"};
        QTest::newRow("two types") << QStringList{"Детектор", "Дверь шкафа"} << QString()
                                   << QStringList{"Дверь шкафа: открыта", "Детектор 3: занят",
                                                  "Детектор 12: свободен", "Дверь шкафа: закрыта"};
        QTest::newRow("Cyrillic word in another case") << QStringList() << "ЗАКРЫТА"
                                                       << QStringList{"Дверь шкафа: закрыта"};
        QTest::newRow("type text only") << QStringList() << "lAMP" << QStringList{"Лампа 1 группы 3: обрыв"};
        QTest::newRow("type and text") << QStringList{"Детектор"} << "свобод" << QStringList{"Детектор 12: свободен"};
        QTest::newRow("nothing matches") << QStringList() << "Дверь шкафа: нет" << QStringList();
    }

    // Through the widgets: the type menu, the search field typed into after
    // Ctrl+F, the count beside them; Escape and Clear show every row again.
    void filterRows()
    {
        QFETCH(QStringList, types);
        QFETCH(QString, search);
        QFETCH(QStringList, shown);
        auto view = makeView(1, 0x5FFFF);
        view->show();
        QApplication::setActiveWindow(view.get());
        QVERIFY(QTest::qWaitForWindowActive(view.get()));
        QTableWidget *t = table(view.get());
        loadKnownDay(view.get());
        const QStringList all = column(t, 3);
        QCOMPARE(shownCount(view.get()), QStringLiteral("6 of 6 records"));

        chooseTypes(view.get(), types);
        t->setFocus();
        QTest::keyClick(t, Qt::Key_F, Qt::ControlModifier);
        auto *searchEdit = view->findChild<QLineEdit *>("searchEdit");
        QCOMPARE(QApplication::focusWidget(), searchEdit);
        typeText(searchEdit, search);
        QTRY_COMPARE(column(t, 3), shown);
        QCOMPARE(shownCount(view.get()), QStringLiteral("%1 of 6 records").arg(shown.size()));

        QTest::keyClick(searchEdit, Qt::Key_Escape);
        QVERIFY(searchEdit->text().isEmpty());
        view->findChild<QPushButton *>("clearFilter")->click();
        QTRY_COMPARE(column(t, 3), all);
        QVERIFY(view->findChild<QPushButton *>("typeFilter")->menu()->actions().first()->isChecked());
    }

    // The rows shown keep the header's order, are what Save writes, and a
    // new load is shown through the same filter and order.
    void filterKeepsOrderSaveAndReload()
    {
        QTemporaryDir dir;
        auto view = makeView(1, 0x5FFFF);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        QTableWidget *t = table(view.get());
        loadKnownDay(view.get());
        chooseTypes(view.get(), {"Дверь шкафа"});
        clickHeader(t, 3);
        // Widened: the rows that join in fall into the header's order.
        chooseTypes(view.get(), {"Детектор"});
        const QStringList doorsAndDetectors{"Дверь шкафа: закрыта", "Дверь шкафа: открыта", "Детектор 12: свободен",
                                            "Детектор 3: занят"};
        QTRY_COMPARE(column(t, 3), doorsAndDetectors);
        QVERIFY(view->saveTo(dir.filePath("shown.csv")));
        QCOMPARE(fileLines(dir.filePath("shown.csv")),
                 (QStringList{"Time;Device time;Type;Description", "11:45:00;12:00:04;Дверь шкафа;Дверь шкафа: закрыта;",
                              "08:00:00;12:00:04;Дверь шкафа;Дверь шкафа: открыта;",
                              "10:00:00;12:00:04;Детектор;Детектор 12: свободен;",
                              "08:30:00;12:00:04;Детектор;Детектор 3: занят;", ""}));

        view->setSearchText(QStringLiteral("шкафа"));
        QTRY_COMPARE(column(t, 3), doorsAndDetectors.mid(0, 2));
        loadKnownDay(view.get());
        QTRY_COMPARE(column(t, 3), doorsAndDetectors.mid(0, 2));
        QCOMPARE(view->shownEventTypes(), (QStringList{"Дверь шкафа", "Детектор"}));
        QCOMPARE(shownCount(view.get()), QStringLiteral("2 of 6 records"));
        view->setSearchText(QString());
        QTRY_COMPARE(column(t, 3), doorsAndDetectors);
    }

    void jumpToTime_data()
    {
        QTest::addColumn<QTime>("time");
        QTest::addColumn<bool>("newestFirst");
        QTest::addColumn<QString>("selected");
        QTest::newRow("at a row") << QTime(9, 15) << false << "Связь с центром: потеряна";
        QTest::newRow("between rows") << QTime(10, 30) << false << "Дверь шкафа: закрыта";
        QTest::newRow("between rows, newest first") << QTime(10, 30) << true << "Детектор 12: свободен";
        QTest::newRow("past the last row") << QTime(12, 0, 1) << false << QString();
    }

    void jumpToTime()
    {
        QFETCH(QTime, time);
        QFETCH(bool, newestFirst);
        QFETCH(QString, selected);
        auto view = makeView(1, 0x5FFFF);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        QTableWidget *t = table(view.get());
        loadKnownDay(view.get());
        if (newestFirst)
            clickHeader(t, 0);
        t->selectRow(0);
        view->findChild<QTimeEdit *>("jumpTime")->setTime(time);
        const QModelIndexList rows = t->selectionModel()->selectedRows();
        QCOMPARE(rows.isEmpty() ? QString() : t->item(rows.first().row(), 3)->text(), selected);
    }

    void messagesWithStampAndIcon()
    {
        auto view = makeView(1, 0x5FFFF);
        auto *log = view->findChild<QComboBox *>("log");
        const int before = log->count();
        view->on_db_logMessage("Failure", Error);
        view->on_db_logMessage("Plain");
        QCOMPARE(log->count(), before + 2);
        QCOMPARE(log->currentIndex(), log->count() - 1);
        const QString text = log->itemText(before);
        QVERIFY(QRegularExpression(R"(^\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\] Failure$)").match(text).hasMatch());
        // The host's pictures: error for the first, information for the second.
        const QImage error = QIcon(":/Resources/eventlogError.png").pixmap(16).toImage();
        QVERIFY(!error.isNull());
        QCOMPARE(log->itemIcon(before).pixmap(16).toImage(), error);
        QCOMPARE(log->itemIcon(before + 1).pixmap(16).toImage(),
                 QIcon(":/Resources/eventlogInfo.png").pixmap(16).toImage());
    }

    void loadDayFromServer_data()
    {
        TestServers::addServerRows();
    }
    void loadDayFromServer()
    {
        if (TestServers::available().isEmpty())
            QSKIP("No test servers: run through scripts/dbserver");
        QFETCH(QString, server);
        useServer(server);
        const QDate day = TestServers::day();
        auto view = makeView(1, 0x5FFFF);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        // The first load (today) ends, then the date change reloads.
        QTRY_VERIFY_WITH_TIMEOUT(button(view.get(), "updateData")->isEnabled(), 20000);
        dateEdit(view.get())->setDate(day);
        QTRY_VERIFY(!button(view.get(), "updateData")->isEnabled());
        QVERIFY(!dateEdit(view.get())->isEnabled());
        QVERIFY(button(view.get(), "saveData")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(button(view.get(), "updateData")->isEnabled(), 60000);
        QVERIFY(view->progressOverlay()->isHidden());

        QSqlDatabase reference = TestServers::connection(server, QStringLiteral("logref%1").arg(connections));
        QVERIFY(reference.open());
        QSqlQuery count(reference);
        QVERIFY(count.exec(QStringLiteral("select count(*) from events where objectid=1 and time >= '%1' and time < '%2'")
                               .arg(day.toString(Qt::ISODate), day.addDays(1).toString(Qt::ISODate))));
        QVERIFY(count.next());
        QTableWidget *t = table(view.get());
        QCOMPARE(t->rowCount(), count.value(0).toInt());
        // Rows in time order; the time column was sized to its contents.
        for (int r = 1; r < t->rowCount(); ++r)
            QVERIFY(t->item(r - 1, 0)->text() <= t->item(r, 0)->text());
        QVERIFY(view->findChild<QComboBox *>("log")->currentText().endsWith("Data acquisition is complete"));
        count = QSqlQuery();
        reference = QSqlDatabase();
    }

    void cancelAndCloseWhileStreaming_data() { loadDayFromServer_data(); }
    void cancelAndCloseWhileStreaming()
    {
        if (TestServers::available().isEmpty())
            QSKIP("No test servers: run through scripts/dbserver");
        QFETCH(QString, server);
        useServer(server);
        auto view = makeView(1, 0x5FFFF);
        view->show();
        QTRY_VERIFY_WITH_TIMEOUT(button(view.get(), "updateData")->isEnabled(), 20000);
        dateEdit(view.get())->setDate(TestServers::day());
        QTRY_VERIFY_WITH_TIMEOUT(table(view.get())->rowCount() > 100, 20000);
        Progress *overlay = view->progressOverlay();
        QVERIFY(!overlay->isHidden());
        auto *cancel = overlay->findChild<QPushButton *>("cancel");
        cancel->click();
        QVERIFY(!cancel->isEnabled());
        QTRY_VERIFY(overlay->isHidden());
        QTRY_VERIFY(button(view.get(), "updateData")->isEnabled());
        // The next load shows the overlay afresh.
        button(view.get(), "updateData")->click();
        QVERIFY(!overlay->isHidden());
        QVERIFY(cancel->isEnabled());
        QCOMPARE(overlay->findChild<QLabel *>("label")->text(), QStringLiteral("Data updating"));
        QTRY_VERIFY_WITH_TIMEOUT(table(view.get())->rowCount() > 100, 20000);

        QElapsedTimer timer;
        timer.start();
        view.reset();
        QVERIFY(timer.elapsed() < 3600);
    }
};

QTEST_MAIN(LogViewTest)
#include "tst_logview.moc"
