#include "LumoViewPlugin.h"

#include "async/AsyncDatabase.h"
#include "sql/DatabaseUrl.h"
#include "sql/ConnectOptions.h"
#include "sql/SqlDialect.h"
#include "async/ProxySocket.h"

#include "database/Database.h"
#include "database/LogMessageType.h"
#include "decoding/EventTemplate.h"
#include "views/DtStatView.h"
#include "views/DtView.h"
#include "views/FaultsDtView.h"
#include "views/HealthHistoryView.h"
#include "views/LogView.h"
#include "views/ParametersDlg.h"
#include "views/PhasesView.h"
#include "views/SGView.h"
#include "settings/PersistentDockWidget.h"

#include <QMainWindow>

#include <QApplication>
#include <QLocale>
#include <QMutexLocker>
#include <QNetworkProxy>
#include <QTranslator>
#include <QUrl>

namespace {
const char connectionName[] = "lumoview";
const int defaultPort = 3306;
}

LumoViewPlugin::LumoViewPlugin(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<LogMessageType>("LogMessageType");
    // The module's texts in the language of the host's locale; removed from
    // the application again with the facade.
    auto *translator = new QTranslator(this);
    if (translator->load(QLocale(), QStringLiteral("lumoview"), QStringLiteral("_"), QStringLiteral(":/i18n")))
        QCoreApplication::installTranslator(translator);
    findMainWindow();
}

// The connection stays registered: the instance may outlive Qt SQL's own
// registry when the module is unloaded at process exit.
LumoViewPlugin::~LumoViewPlugin() = default;

QString LumoViewPlugin::moduleVersion() const
{
    return QStringLiteral("2.3.47");
}

QString LumoViewPlugin::setDatabaseUrl(QString url_string)
{
    QMutexLocker locker(&dbMutex);

    const DatabaseUrl databaseUrl(url_string);
    if (!databaseUrl.isValid())
        return databaseUrl.errorText();
    const QUrl &url = databaseUrl.url();

    if (db.isOpen())
        db.close();

    if (db.driverName() != databaseUrl.driverName()) {
        db = QSqlDatabase();
        if (QSqlDatabase::contains(QLatin1String(connectionName)))
            QSqlDatabase::removeDatabase(QLatin1String(connectionName));
        db = QSqlDatabase::addDatabase(databaseUrl.driverName(), QLatin1String(connectionName));
        serverHost.clear();
        serverPort = -1;
    }
    if (!db.isValid())
        return tr("Error while working with database driver");

    db.setDatabaseName(databaseUrl.databaseName());
    db.setUserName(url.userName(QUrl::FullyDecoded));
    serverHost = url.host(QUrl::FullyDecoded);
    serverPort = url.port(defaultPort);
    serverQuery = url.query(QUrl::FullyEncoded);
    QString host = serverHost;
    int port = serverPort;
    QString options = databaseUrl.connectOptions();

    // Drivers ignore Qt's proxy settings: with an application proxy the
    // connection goes to a loopback relay that reaches the server through it.
    // A relay to another server replaces the previous one, whose connections
    // end; the workers reconnect through the new one.
    const bool proxied = !QNetworkProxy::applicationProxy().hostName().isEmpty();
    if (relay && !(proxied && relay->relaysTo(host, quint16(port)))) {
        delete relay;
        relay = nullptr;
    }
    if (proxied) {
        if (!relay)
            relay = new ProxySocket(host, quint16(port), this);
        // PostgreSQL connects to the relay's address and still checks the
        // server's certificate against the server's name.
        const QString relayAddress = QStringLiteral("127.0.0.1");
        if (!SqlDialect::forDriver(databaseUrl.driverName()).isPostgres())
            host = relayAddress;
        options = ConnectOptions::throughRelay(databaseUrl.driverName(), options, relayAddress);
        port = relay->serverPort();
    }

    db.setConnectOptions(options);
    db.setHostName(host);
    db.setPort(port);
    db.setPassword(url.password(QUrl::FullyDecoded));

    if (asyncDatabase)
        asyncDatabase->setUrl(url_string);
    else
        createAsyncDatabase(url_string);
    return QStringLiteral("OK");
}

void LumoViewPlugin::createAsyncDatabase(const QString &url)
{
    asyncDatabase = new AsyncDatabase(this, url);
    // The module outlives the application object: its workers must let go
    // of their connections while Qt SQL still exists.
    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, asyncDatabase, &AsyncDatabase::stop);
}

QWidget *LumoViewPlugin::createPhasesWidget(uint object_id)
{
    return placeView([&](QWidget *parent) {
        return new PhasesView(parent, object_id, &db, &dbMutex);
    });
}

QWidget *LumoViewPlugin::createLogWidget(uint object_id, uint ver)
{
    return placeView([&](QWidget *parent) {
        return new LogView(parent, object_id, ver, &db, &dbMutex);
    }, QSize(470, 400));
}

namespace {

QStringList detectorTexts(const QList<int> &detectors)
{
    QStringList texts;
    for (int detector : detectors)
        texts << QString::number(detector);
    return texts;
}

} // namespace

QWidget *LumoViewPlugin::createDtWidget(uint object_id, QList<int> detectors)
{
    return placeView([&](QWidget *parent) {
        return new DtView(parent, object_id, detectorTexts(detectors), &db, &dbMutex);
    }, QSize(480, 400));
}

QWidget *LumoViewPlugin::createDtStatWidget(uint object_id, QList<int> detectors)
{
    return placeView([&](QWidget *parent) {
        return new DtStatView(parent, object_id, detectorTexts(detectors), &db, &dbMutex);
    }, QSize(460, 400));
}

QWidget *LumoViewPlugin::createDtFaultsView(uint object_id, int dt_id, QDate date)
{
    return placeView([&](QWidget *parent) {
        return new FaultsDtView(parent, asyncDatabase, object_id, dt_id, date);
    }, QSize(768, 400), true);
}

QWidget *LumoViewPlugin::createDtFaultsView(uint object_id, int dt_id)
{
    return createDtFaultsView(object_id, dt_id, QDate::currentDate());
}

QWidget *LumoViewPlugin::createDtFaultsView(uint object_id, QDate date)
{
    return createDtFaultsView(object_id, -1, date);
}

QWidget *LumoViewPlugin::createDtFaultsView(uint object_id)
{
    return createDtFaultsView(object_id, -1, QDate::currentDate());
}

QWidget *LumoViewPlugin::createDtHealthHistoryView(uint object_id, int dt_id)
{
    // Without a service the view says that no connection is configured.
    return placeView([&](QWidget *parent) {
        return new HealthHistoryView(parent, asyncDatabase, object_id, dt_id);
    }, QSize(768, 400), true);
}

QWidget *LumoViewPlugin::createDtHealthHistoryView(uint object_id)
{
    return createDtHealthHistoryView(object_id, -1);
}

QWidget *LumoViewPlugin::createSGWidget(uint object_id)
{
    auto *window = qobject_cast<QMainWindow *>(findMainWindow());
    if (!window)
        return new SGView(nullptr, object_id, &db, &dbMutex);
    // Each controller's signal groups come back where the user left them.
    auto *dock = new PersistentDockWidget(window, QStringLiteral("sgview%1").arg(object_id));
    dock->setAttribute(Qt::WA_DeleteOnClose);
    dock->setWidget(new SGView(dock, object_id, &db, &dbMutex));
    return dock;
}

QString LumoViewPlugin::parseLogRecord(QString description, QByteArray data)
{
    return ::parseLogRecord(description, data);
}

QString LumoViewPlugin::editDbSettings()
{
    QWidget *window = findMainWindow();
    QString current;
    {
        QMutexLocker locker(&dbMutex);
        QUrl url;
        // The server's address, not that of a relay in between.
        url.setHost(serverHost, QUrl::DecodedMode);
        if (serverPort != defaultPort)
            url.setPort(serverPort);
        url.setPassword(db.password(), QUrl::DecodedMode);
        url.setUserName(db.userName(), QUrl::DecodedMode);
        url.setPath(QStringLiteral("/%1/%2").arg(db.driverName(), db.databaseName()), QUrl::DecodedMode);
        url.setQuery(serverQuery, QUrl::StrictMode);
        current = url.toString();
    }
    // Not under the lock: the workers go on while the dialog is open.
    ParametersDlg dialog(window, current);
    if (dialog.exec() != QDialog::Accepted || dialog.url() == current)
        return QString();
    setDatabaseUrl(dialog.url());
    return dialog.url();
}

void LumoViewPlugin::startDumpQueries(QString file_name)
{
    Database::startDumpQueries(file_name);
}

void LumoViewPlugin::stopDumpQueries()
{
    Database::stopDumpQueries();
}

QObject *LumoViewPlugin::database()
{
    return asyncDatabase;
}

QWidget *LumoViewPlugin::findMainWindow()
{
    if (mainWindow)
        return mainWindow;
    const QWidgetList topLevels = QApplication::topLevelWidgets();
    for (QWidget *widget : topLevels) {
        if (widget->inherits("QMainWindow")) {
            mainWindow = widget;
            break;
        }
    }
    return mainWindow;
}
