#ifndef HOSTWINDOW_H
#define HOSTWINDOW_H

#include <QHash>
#include <QMainWindow>
#include <QPointer>

class QDockWidget;
class QLabel;
class QPluginLoader;

// The host's main window: it loads the module, configures it and puts the
// views it asks for into its dock areas.
class HostWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit HostWindow(QWidget *parent = nullptr);

    // Loads the plug-in file; false (with the reason shown) on failure.
    bool loadModule(const QString &fileName);
    QObject *module() const { return m_module; }

    // Applies a database URL through the module; returns its answer.
    QString setDatabaseUrl(const QString &url);

    // Asks the module for a view by name ("log", "phases", ...). The widget
    // (a dock or a bare view) is placed in the window. False when the module
    // has no such view.
    bool openView(const QString &name, uint objectId);
    // The view opened under that name, or null.
    QWidget *view(const QString &name) const { return m_views.value(name); }

    // Lets the user edit the module's connection in its dialog.
    void editDatabaseSettings();

    // Views placed from now on share the bottom area side by side rather
    // than as tabs, floating ones included.
    void setSideBySide(bool sideBySide) { m_sideBySide = sideBySide; }

    // Saves a picture of the window after the delay, once no view is still
    // reading (a minute at most) and `afterLoadMs` more have passed (rows
    // arriving meanwhile can show), then quits.
    void scheduleScreenshot(const QString &fileName, int delayMs, int afterLoadMs = 0);

private:
    // The host's dock title for a view the module hands over undocked.
    QString viewTitle(const QString &name, uint objectId) const;
    void placeWidget(QWidget *widget, const QString &title);
    void arrangeWithLastDocked(QDockWidget *dock);
    void showStatus(const QString &text);
    bool viewsLoading() const;
    void saveScreenshotWhenLoaded(const QString &fileName, int waitedMs, int afterLoadMs);
    void saveScreenshot(const QString &fileName);

    QPluginLoader *m_loader = nullptr;
    QPointer<QObject> m_module;
    QLabel *m_info = nullptr;
    QPointer<QDockWidget> m_lastDocked; // later docks share its tabs or its row
    bool m_sideBySide = false;
    QHash<QString, QPointer<QWidget>> m_views;
};

#endif // HOSTWINDOW_H
