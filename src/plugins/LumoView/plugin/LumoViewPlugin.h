#ifndef LUMOVIEWPLUGIN_H
#define LUMOVIEWPLUGIN_H

#include <QDate>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QSqlDatabase>

#include <QDockWidget>

class AsyncDatabase;
class ProxySocket;

#define LumoViewModule_iid "com.lumosoft.road.LumoViewModule"

// The one object through which the host uses the module. The host calls it
// only by name, from its GUI thread.
class LumoViewPlugin : public QObject
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID LumoViewModule_iid)
    Q_PROPERTY(QString moduleVersion READ moduleVersion)

public:
    explicit LumoViewPlugin(QObject *parent = nullptr);
    ~LumoViewPlugin() override;

    QString moduleVersion() const;

    Q_INVOKABLE QString setDatabaseUrl(QString url_string);
    Q_INVOKABLE QWidget *createPhasesWidget(uint object_id);
    Q_INVOKABLE QWidget *createLogWidget(uint object_id, uint ver);
    Q_INVOKABLE QWidget *createDtWidget(uint object_id, QList<int> detectors);
    Q_INVOKABLE QWidget *createDtStatWidget(uint object_id, QList<int> detectors);
    Q_INVOKABLE QWidget *createDtFaultsView(uint object_id, int dt_id, QDate date);
    Q_INVOKABLE QWidget *createDtFaultsView(uint object_id, int dt_id);
    Q_INVOKABLE QWidget *createDtFaultsView(uint object_id, QDate date);
    Q_INVOKABLE QWidget *createDtFaultsView(uint object_id);
    Q_INVOKABLE QWidget *createDtHealthHistoryView(uint object_id, int dt_id);
    Q_INVOKABLE QWidget *createDtHealthHistoryView(uint object_id);
    Q_INVOKABLE QWidget *createSGWidget(uint object_id);
    Q_INVOKABLE QString parseLogRecord(QString description, QByteArray data);
    Q_INVOKABLE QString editDbSettings();
    Q_INVOKABLE void startDumpQueries(QString file_name);
    Q_INVOKABLE void stopDumpQueries();
    Q_INVOKABLE QObject *database();

    // Services for the views.
    QWidget *findMainWindow();
    QSqlDatabase *connection() { return &db; }
    QMutex *connectionMutex() { return &dbMutex; }

    void createAsyncDatabase(const QString &url);

    // Puts a view into a new floating dock of the main window, or returns the
    // bare view when there is no main window. The factory builds the view
    // with the given parent.
    template<typename Factory>
    QWidget *placeView(Factory makeView, const QSize &dockSize = QSize(),
                       bool setTitle = false);

private:
    QSqlDatabase db;
    QMutex dbMutex;
    // The server's own address: behind a proxy `db` points at a relay.
    QString serverHost;
    int serverPort = -1;
    // The URL's query items, the connection's TLS options as given.
    QString serverQuery;
    QPointer<QWidget> mainWindow;
    AsyncDatabase *asyncDatabase = nullptr;
    // Behind an application proxy: the relay `db` points at.
    ProxySocket *relay = nullptr;
};

template<typename Factory>
QWidget *LumoViewPlugin::placeView(Factory makeView, const QSize &dockSize, bool setTitle)
{
    QWidget *window = findMainWindow();
    if (!window)
        return makeView(nullptr);

    auto *dock = new QDockWidget(window);
    dock->setAttribute(Qt::WA_DeleteOnClose);
    dock->setFloating(true);
    QWidget *view = makeView(dock);
    dock->setWidget(view);
    if (dockSize.isValid())
        dock->resize(dockSize);
    if (setTitle)
        dock->setWindowTitle(view->windowTitle());
    return dock;
}

#endif // LUMOVIEWPLUGIN_H
