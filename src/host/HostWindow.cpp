#include "HostWindow.h"

#include <QGuiApplication>
#include <QScreen>

#include <QApplication>
#include <QDockWidget>
#include <QLabel>
#include <QMenuBar>
#include <QPluginLoader>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QVector>

HostWindow::HostWindow(QWidget *parent)
    : QMainWindow(parent)
    , m_loader(new QPluginLoader(this))
{
    setWindowTitle(tr("LumoView host"));
    m_info = new QLabel(tr("No module loaded"), this);
    m_info->setAlignment(Qt::AlignCenter);
    m_info->setMargin(24);
    setCentralWidget(m_info);
    resize(1280, 800);

    QMenu *fileMenu = menuBar()->addMenu(tr("&File"));
    fileMenu->addAction(tr("&Database parameters..."), this, &HostWindow::editDatabaseSettings);
    fileMenu->addSeparator();
    fileMenu->addAction(tr("&Quit"), this, &QWidget::close, QKeySequence::Quit);
}

bool HostWindow::loadModule(const QString &fileName)
{
    m_loader->setFileName(fileName);
    QObject *instance = m_loader->instance();
    if (!instance) {
        m_info->setText(tr("Cannot load the module %1:\n%2").arg(fileName, m_loader->errorString()));
        return false;
    }
    m_module = instance;
    const QString version = instance->property("moduleVersion").toString();
    m_info->setText(tr("<h2>LumoView</h2><p>Module %1 loaded, version %2</p>")
                        .arg(QString::fromLatin1(instance->metaObject()->className()), version));
    return true;
}

QString HostWindow::setDatabaseUrl(const QString &url)
{
    QString answer;
    if (!m_module || !QMetaObject::invokeMethod(m_module, "setDatabaseUrl", Qt::DirectConnection,
                                                Q_RETURN_ARG(QString, answer), Q_ARG(QString, url)))
        answer = tr("The module cannot take a database URL");
    showStatus(tr("Database: %1").arg(answer));
    return answer;
}

void HostWindow::editDatabaseSettings()
{
    QString url;
    if (!m_module || !QMetaObject::invokeMethod(m_module, "editDbSettings", Qt::DirectConnection,
                                                Q_RETURN_ARG(QString, url))) {
        showStatus(tr("The module cannot edit its database parameters"));
        return;
    }
    if (!url.isEmpty())
        showStatus(tr("Database parameters changed"));
}

bool HostWindow::openView(const QString &name, uint objectId)
{
    if (!m_module)
        return false;
    QWidget *widget = nullptr;
    bool called = false;
    if (name == QLatin1String("log")) {
        called = QMetaObject::invokeMethod(m_module, "createLogWidget", Qt::DirectConnection,
                                           Q_RETURN_ARG(QWidget *, widget), Q_ARG(uint, objectId),
                                           Q_ARG(uint, 0x5FFFF));
    } else if (name == QLatin1String("phases")) {
        called = QMetaObject::invokeMethod(m_module, "createPhasesWidget", Qt::DirectConnection,
                                           Q_RETURN_ARG(QWidget *, widget), Q_ARG(uint, objectId));
    } else if (name == QLatin1String("sg")) {
        called = QMetaObject::invokeMethod(m_module, "createSGWidget", Qt::DirectConnection,
                                           Q_RETURN_ARG(QWidget *, widget), Q_ARG(uint, objectId));
    } else if (name == QLatin1String("health")) {
        called = QMetaObject::invokeMethod(m_module, "createDtHealthHistoryView", Qt::DirectConnection,
                                           Q_RETURN_ARG(QWidget *, widget), Q_ARG(uint, objectId));
    } else if (name == QLatin1String("faults")) {
        called = QMetaObject::invokeMethod(m_module, "createDtFaultsView", Qt::DirectConnection,
                                           Q_RETURN_ARG(QWidget *, widget), Q_ARG(uint, objectId));
    } else if (name == QLatin1String("dt") || name == QLatin1String("dtstat")) {
        const char *method = name == QLatin1String("dt") ? "createDtWidget" : "createDtStatWidget";
        called = QMetaObject::invokeMethod(m_module, method, Qt::DirectConnection,
                                           Q_RETURN_ARG(QWidget *, widget), Q_ARG(uint, objectId),
                                           Q_ARG(QList<int>, QList<int>{1}));
    }
    if (!called || !widget) {
        showStatus(tr("The module has no view \"%1\"").arg(name));
        return false;
    }
    placeWidget(widget, viewTitle(name, objectId));
    auto *dock = qobject_cast<QDockWidget *>(widget);
    m_views.insert(name, dock && dock->widget() ? dock->widget() : widget);
    return true;
}

QString HostWindow::viewTitle(const QString &name, uint objectId) const
{
    if (name == QLatin1String("log"))
        return tr("Event log, object %1").arg(objectId);
    if (name == QLatin1String("phases"))
        return tr("Phases, object %1").arg(objectId);
    if (name == QLatin1String("dt"))
        return tr("Detector data, object %1").arg(objectId);
    if (name == QLatin1String("dtstat"))
        return tr("Detector statistics, object %1").arg(objectId);
    return QString();
}

void HostWindow::placeWidget(QWidget *widget, const QString &title)
{
    // The views take the whole window; the welcome text is for an empty one.
    m_info->hide();
    if (auto *dock = qobject_cast<QDockWidget *>(widget)) {
        // Docks that the module did not place itself go to the bottom area.
        // (a dock must be in the layout before it can stop floating).
        // Docks the module already shows have placed themselves.
        // Side by side, the host arranges the floating ones too.
        const bool placed = dock->isVisible() || dockWidgetArea(dock) != Qt::NoDockWidgetArea;
        if (!placed || (m_sideBySide && dock->isFloating())) {
            addDockWidget(Qt::BottomDockWidgetArea, dock);
            dock->setFloating(false);
            arrangeWithLastDocked(dock);
        }
        dock->show();
        return;
    }
    // The module's own title first; the host names the views it docks.
    auto *dock = new QDockWidget(widget->windowTitle().isEmpty() ? title : widget->windowTitle(), this);
    dock->setAttribute(Qt::WA_DeleteOnClose);
    dock->setWidget(widget);
    addDockWidget(Qt::BottomDockWidgetArea, dock);
    arrangeWithLastDocked(dock);
}

void HostWindow::arrangeWithLastDocked(QDockWidget *dock)
{
    // Several views share the area as tabs rather than as ever thinner
    // strips, unless they are to be seen together.
    if (m_lastDocked && !m_lastDocked->isFloating() && dockWidgetArea(m_lastDocked) == Qt::BottomDockWidgetArea) {
        if (m_sideBySide) {
            splitDockWidget(m_lastDocked, dock, Qt::Horizontal);
            const QList<QDockWidget *> row = findChildren<QDockWidget *>();
            QList<QDockWidget *> docked;
            for (QDockWidget *d : row) {
                if (!d->isFloating() && dockWidgetArea(d) == Qt::BottomDockWidgetArea)
                    docked << d;
            }
            resizeDocks(docked, QVector<int>(docked.size(), width() / qMax(1, docked.size())).toList(), Qt::Horizontal);
        } else {
            tabifyDockWidget(m_lastDocked, dock);
            QTimer::singleShot(0, dock, &QDockWidget::raise);
        }
    }
    m_lastDocked = dock;
}

void HostWindow::scheduleScreenshot(const QString &fileName, int delayMs, int afterLoadMs)
{
    QTimer::singleShot(delayMs, this,
                       [this, fileName, afterLoadMs] { saveScreenshotWhenLoaded(fileName, 0, afterLoadMs); });
}

bool HostWindow::viewsLoading() const
{
    // A reading view shows its progress overlay, or is disabled until its
    // answer comes.
    const QList<QWidget *> overlays = findChildren<QWidget *>(QStringLiteral("Progress"));
    for (const QWidget *overlay : overlays) {
        if (overlay->isVisible())
            return true;
    }
    const QList<QDockWidget *> docks = findChildren<QDockWidget *>();
    for (const QDockWidget *dock : docks) {
        if (dock->widget() && !dock->widget()->isEnabled())
            return true;
    }
    return false;
}

void HostWindow::saveScreenshotWhenLoaded(const QString &fileName, int waitedMs, int afterLoadMs)
{
    // The picture shows the views' data, unless they take a minute more.
    const int pollMs = 250;
    if (viewsLoading() && waitedMs < 60000) {
        QTimer::singleShot(pollMs, this, [this, fileName, waitedMs, afterLoadMs] {
            saveScreenshotWhenLoaded(fileName, waitedMs + pollMs, afterLoadMs);
        });
        return;
    }
    if (afterLoadMs > 0) {
        // A picture of what arrives after the load: tables show their newest
        // rows, which a view that follows keeps in view.
        for (QTableWidget *table : findChildren<QTableWidget *>())
            table->scrollToBottom();
    }
    QTimer::singleShot(afterLoadMs, this, [this, fileName] { saveScreenshot(fileName); });
}

void HostWindow::saveScreenshot(const QString &fileName)
{
    // Floating docks and dialogs are windows of their own: on a real display
    // the whole screen shows them too; without any, the window is the picture.
    bool others = false;
    for (const QWidget *window : QApplication::topLevelWidgets())
        others = others || (window != this && window->isVisible());
    QScreen *screen = QGuiApplication::primaryScreen();
    const QPixmap picture = others && QGuiApplication::platformName() == QLatin1String("xcb") && screen
                                ? screen->grabWindow(0)
                                : grab();
    const bool saved = picture.save(fileName);
    if (!saved)
        qWarning("Cannot save the screenshot to %s", qPrintable(fileName));
    qApp->exit(saved ? 0 : 1);
}

void HostWindow::showStatus(const QString &text)
{
    statusBar()->showMessage(text);
}
