#ifndef PERSISTENTDOCKWIDGET_H
#define PERSISTENTDOCKWIDGET_H

#include <QDockWidget>
#include <QMap>
#include <QRect>
#include <QStringList>

class QMainWindow;

// Where a dock widget was when it was last closed.
struct DockState
{
    QRect geometry;
    bool floating = false;
    Qt::DockWidgetArea area = Qt::NoDockWidgetArea;
    QStringList tabifiedWith;
};

// The places of closed docks by object name, kept in memory while the module
// is loaded. GUI thread only.
extern QMap<QString, DockState> dockStates;

// A dock widget that comes back where a dock of the same object name was
// last closed: floating with the same geometry, or docked in the same area
// and tabbed with the same neighbours.
class PersistentDockWidget : public QDockWidget
{
    Q_OBJECT
public:
    PersistentDockWidget(QMainWindow *mainWindow, const QString &name);

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    void keepOnScreen();
};

#endif // PERSISTENTDOCKWIDGET_H
