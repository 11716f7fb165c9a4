#include "async/ProxySocket.h"

#include "async/ProxyServer.h"

#include <QCoreApplication>

ProxySocket::ProxySocket(const QString &host, quint16 port, QObject *parent, const ProxyLimits &limits)
    : QObject(parent), remoteHost(host), remotePort(port)
{
    auto *server = new ProxyServer(host, port, limits);
    if (!server->listen(QHostAddress::LocalHost, 0)) {
        warn(tr("error listening") + QLatin1Char(' ') + server->errorString());
        delete server;
        return;
    }
    listeningAddress = server->serverAddress();
    listeningPort = server->serverPort();
    // From here on the server and its connections belong to the relay's
    // thread, and are deleted there when it ends.
    thread.setObjectName(QStringLiteral("ProxySocket"));
    server->moveToThread(&thread);
    connect(&thread, &QThread::finished, server, &QObject::deleteLater);
    thread.start();
    // Qt's networking must not be left running while the application object
    // goes away; the relay may well outlive it (a module unloaded at exit).
    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &ProxySocket::stop);
}

ProxySocket::~ProxySocket()
{
    stop();
}

bool ProxySocket::relaysTo(const QString &host, quint16 port) const
{
    return listeningPort != 0 && thread.isRunning() && host == remoteHost && port == remotePort;
}

void ProxySocket::warn(const QString &text)
{
    qWarning("%s", qPrintable(QLatin1String("ProxySocket ") + text));
}

void ProxySocket::stop()
{
    thread.quit();
    thread.wait();
}
