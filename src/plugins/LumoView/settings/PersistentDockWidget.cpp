#include "PersistentDockWidget.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QMainWindow>

#include <algorithm>

QMap<QString, DockState> dockStates;

PersistentDockWidget::PersistentDockWidget(QMainWindow *mainWindow, const QString &name)
    : QDockWidget(mainWindow)
{
    setObjectName(name);

    // An entry from a dock that was closed docked outside a main window has no
    // area to go back to; it is placed like a new one.
    const auto it = dockStates.constFind(name);
    if (it != dockStates.constEnd() && (it->floating || it->area != Qt::NoDockWidgetArea)) {
        const DockState &state = *it;
        setFloating(state.floating);
        if (state.floating) {
            setGeometry(state.geometry);
        } else {
            mainWindow->addDockWidget(state.area, this);
            const auto docks = mainWindow->findChildren<QDockWidget *>();
            for (const QString &neighbour : state.tabifiedWith) {
                const auto found = std::find_if(docks.cbegin(), docks.cend(),
                                                [&](QDockWidget *dock) {
                                                    return dock != this
                                                           && dock->objectName() == neighbour;
                                                });
                if (found != docks.cend()) {
                    mainWindow->tabifyDockWidget(*found, this);
                    break;
                }
            }
        }
    } else {
        setFloating(true);
        resize(640, 480);
        move(QCursor::pos());
    }

    if (!isVisible())
        show();
    // Once the creator has put its content in, which may widen the dock.
    QMetaObject::invokeMethod(this, "keepOnScreen", Qt::QueuedConnection);
}

void PersistentDockWidget::keepOnScreen()
{
    // A floating dock opened at a cursor near the edge, or widened by its
    // content, would otherwise leave part of itself out of sight.
    if (isFloating()) {
        resize(size().expandedTo(minimumSizeHint()));
        const QScreen *screen = QGuiApplication::screenAt(pos());
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        if (screen) {
            const QRect available = screen->availableGeometry();
            QRect frame = frameGeometry();
            frame.moveRight(qMin(frame.right(), available.right()));
            frame.moveBottom(qMin(frame.bottom(), available.bottom()));
            frame.moveLeft(qMax(frame.left(), available.left()));
            frame.moveTop(qMax(frame.top(), available.top()));
            move(frame.topLeft());
        }
    }
    raise();
}

void PersistentDockWidget::closeEvent(QCloseEvent *event)
{
    DockState &state = dockStates[objectName()];
    state.floating = isFloating();
    state.tabifiedWith.clear();
    if (state.floating) {
        state.geometry = geometry();
    } else if (auto *mainWindow = qobject_cast<QMainWindow *>(parentWidget())) {
        state.area = mainWindow->dockWidgetArea(this);
        const auto tabbed = mainWindow->tabifiedDockWidgets(this);
        for (const QDockWidget *dock : tabbed)
            state.tabifiedWith << dock->objectName();
    }
    QDockWidget::closeEvent(event);
}
