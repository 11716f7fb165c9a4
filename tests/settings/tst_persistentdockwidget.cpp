#include "settings/PersistentDockWidget.h"

#include <QtTest>
#include <QtWidgets>

class PersistentDockWidgetTest : public QObject
{
    Q_OBJECT

    QMainWindow *window = nullptr;

    // A dock as the facade makes it, then docked in `area` unless none.
    PersistentDockWidget *create(const QString &name, Qt::DockWidgetArea area = Qt::NoDockWidgetArea)
    {
        auto *dock = new PersistentDockWidget(window, name);
        dock->setAttribute(Qt::WA_DeleteOnClose);
        dock->setWidget(new QLabel(name));
        if (area != Qt::NoDockWidgetArea) {
            window->addDockWidget(area, dock);
            dock->setFloating(false);
        }
        return dock;
    }

    // Closes as the user does and waits for the deferred delete.
    static void closeDock(QDockWidget *dock)
    {
        QPointer<QDockWidget> guard(dock);
        QVERIFY(dock->close());
        QTRY_VERIFY(guard.isNull());
    }

private slots:
    void init()
    {
        window = new QMainWindow;
        window->setCentralWidget(new QLabel("centre"));
        window->resize(1000, 700);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
    }
    void cleanup() { delete window; }

    // The first dock of a name floats at the cursor, 640 × 480, whatever
    // other names left; near the screen's edge it still fits on the screen.
    void firstDockOfAName()
    {
        closeDock(create("sgview5", Qt::BottomDockWidgetArea));
        QCursor::setPos(123, 45);
        auto *dock = create("sgview1");
        QVERIFY(dock->isFloating() && dock->isVisible());
        QCOMPARE(dock->pos(), QPoint(123, 45));
        QCOMPARE(dock->size(), QSize(640, 480));

        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        QCursor::setPos(available.bottomRight() - QPoint(10, 10));
        dock = create("sgview9");
        QCOMPARE(dock->size(), QSize(640, 480));
        QTRY_VERIFY(available.contains(dock->frameGeometry()));
    }

    // Closed floating: back at that geometry, also after it was docked.
    void floatingGeometryComesBack()
    {
        closeDock(create("sgview4", Qt::LeftDockWidgetArea));
        auto *dock = create("sgview4");
        QCOMPARE(window->dockWidgetArea(dock), Qt::LeftDockWidgetArea);
        dock->setFloating(true);
        const QRect geometry(300, 200, 400, 250);
        dock->setGeometry(geometry);
        closeDock(dock);
        dock = create("sgview4");
        QVERIFY(dock->isFloating());
        QCOMPARE(dock->geometry(), geometry);
    }

    // Closed docked among B and C: back in that area, onto B alone, also
    // when C is elsewhere by then; B gone, onto C; neither, alone there.
    void dockedPlaceAndNeighbours()
    {
        QDockWidget *b = create("B"), *c = create("C");
        window->addDockWidget(Qt::RightDockWidgetArea, b);
        window->tabifyDockWidget(b, c);
        PersistentDockWidget *dock = create("sgview3", Qt::RightDockWidgetArea);
        window->tabifyDockWidget(c, dock);
        closeDock(dock);
        window->addDockWidget(Qt::LeftDockWidgetArea, c);
        dock = create("sgview3");
        QCOMPARE(window->tabifiedDockWidgets(dock), QList<QDockWidget *>{b});
        window->tabifyDockWidget(b, c);
        closeDock(dock);
        delete b;
        dock = create("sgview3");
        QCOMPARE(window->tabifiedDockWidgets(dock), QList<QDockWidget *>{c});
        closeDock(dock);
        delete c;
        dock = create("sgview3");
        QVERIFY(!dock->isFloating());
        QCOMPARE(window->dockWidgetArea(dock), Qt::RightDockWidgetArea);
        QVERIFY(window->tabifiedDockWidgets(dock).isEmpty());
    }
};

QTEST_MAIN(PersistentDockWidgetTest)
#include "tst_persistentdockwidget.moc"
