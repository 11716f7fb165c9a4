#include "settings/PersistentDockWidget.h"

#include <QCursor>
#include <QScreen>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QTest>

class PersistentDockWidgetTest : public QObject
{
    Q_OBJECT

private:
    QMainWindow *window = nullptr;

    PersistentDockWidget *create(const QString &name)
    {
        auto *dock = new PersistentDockWidget(window, name);
        dock->setAttribute(Qt::WA_DeleteOnClose);
        dock->setWidget(new QLabel(name));
        return dock;
    }

    // Closes as the user does and waits for the deferred delete.
    static void closeDock(PersistentDockWidget *dock)
    {
        QPointer<PersistentDockWidget> guard(dock);
        QVERIFY(dock->close());
        QTRY_VERIFY(guard.isNull());
    }

    QDockWidget *plainDock(const QString &name, Qt::DockWidgetArea area)
    {
        auto *dock = new QDockWidget(name, window);
        dock->setObjectName(name);
        window->addDockWidget(area, dock);
        return dock;
    }

private slots:
    void init()
    {
        dockStates.clear();
        window = new QMainWindow;
        window->setCentralWidget(new QLabel("centre"));
        window->resize(1000, 700);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
    }
    void cleanup()
    {
        delete window;
        window = nullptr;
    }

    void firstDockFloatsAtCursor()
    {
        QCursor::setPos(123, 45);
        auto *dock = create("sgview1");
        QCOMPARE(dock->parentWidget(), window);
        QCOMPARE(dock->objectName(), QStringLiteral("sgview1"));
        QVERIFY(dock->isFloating());
        QVERIFY(dock->isVisible());
        QCOMPARE(dock->size(), QSize(640, 480));
        QCOMPARE(dock->pos(), QCursor::pos());
    }

    void firstDockStaysOnScreen()
    {
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        QCursor::setPos(available.bottomRight() - QPoint(10, 10));
        auto *dock = create("sgview9");
        QCOMPARE(dock->size(), QSize(640, 480));
        QTRY_VERIFY2(available.contains(dock->frameGeometry()), qPrintable(QStringLiteral("%1,%2 %3x%4 in %5x%6").arg(dock->x()).arg(dock->y()).arg(dock->width()).arg(dock->height()).arg(available.width()).arg(available.height())));

        // Content wider than the first size widens the dock; it still fits.
        QCursor::setPos(available.topLeft() + QPoint(available.width() / 3, 10));
        auto *wide = new PersistentDockWidget(window, "sgview10");
        auto *content = new QLabel("wide");
        content->setMinimumWidth(available.width() - 50);
        wide->setWidget(content);
        QTRY_VERIFY(wide->width() >= content->minimumWidth());
        QTRY_VERIFY2(available.contains(wide->frameGeometry()),
                     qPrintable(QStringLiteral("%1,%2 %3x%4").arg(wide->x()).arg(wide->y())
                                    .arg(wide->width()).arg(wide->height())));
    }

    void floatingGeometryComesBack()
    {
        auto *dock = create("sgview2");
        const QRect geometry(200, 150, 500, 300);
        dock->setGeometry(geometry);
        closeDock(dock);
        QVERIFY(dockStates.value("sgview2").floating);

        auto *again = create("sgview2");
        QVERIFY(again->isFloating());
        QCOMPARE(again->geometry(), geometry);
    }

    void dockedPlaceAndNeighbours()
    {
        QDockWidget *b = plainDock("B", Qt::RightDockWidgetArea);
        QDockWidget *c = plainDock("C", Qt::RightDockWidgetArea);
        window->tabifyDockWidget(b, c);

        auto *dock = create("sgview3");
        window->addDockWidget(Qt::RightDockWidgetArea, dock);
        dock->setFloating(false);
        window->tabifyDockWidget(c, dock);
        closeDock(dock);
        QCOMPARE(dockStates.value("sgview3").area, Qt::RightDockWidgetArea);
        QCOMPARE(dockStates.value("sgview3").tabifiedWith.size(), 2);

        auto *again = create("sgview3");
        QVERIFY(!again->isFloating());
        QCOMPARE(window->dockWidgetArea(again), Qt::RightDockWidgetArea);
        QVERIFY(window->tabifiedDockWidgets(again).contains(b));

        // B gone: onto C; neither: alone in the area.
        closeDock(again);
        delete b;
        again = create("sgview3");
        QCOMPARE(window->tabifiedDockWidgets(again), QList<QDockWidget *>{c});
        closeDock(again);
        delete c;
        again = create("sgview3");
        QVERIFY(!again->isFloating());
        QCOMPARE(window->dockWidgetArea(again), Qt::RightDockWidgetArea);
        QVERIFY(window->tabifiedDockWidgets(again).isEmpty());
    }

    void floatingAfterDockedWins()
    {
        auto *dock = create("sgview4");
        window->addDockWidget(Qt::LeftDockWidgetArea, dock);
        dock->setFloating(false);
        closeDock(dock);

        dock = create("sgview4");
        QCOMPARE(window->dockWidgetArea(dock), Qt::LeftDockWidgetArea);
        dock->setFloating(true);
        const QRect geometry(300, 200, 400, 250);
        dock->setGeometry(geometry);
        closeDock(dock);
        QCOMPARE(dockStates.value("sgview4").area, Qt::LeftDockWidgetArea);

        dock = create("sgview4");
        QVERIFY(dock->isFloating());
        QCOMPARE(dock->geometry(), geometry);
    }

    void namesAreIndependent()
    {
        auto *first = create("sgview5");
        window->addDockWidget(Qt::BottomDockWidgetArea, first);
        first->setFloating(false);
        closeDock(first);

        QCursor::setPos(10, 20);
        auto *other = create("sgview6");
        QVERIFY(other->isFloating());
        QCOMPARE(other->size(), QSize(640, 480));
        QVERIFY(!dockStates.contains("sgview6"));
    }
};

QTEST_MAIN(PersistentDockWidgetTest)
#include "tst_persistentdockwidget.moc"
