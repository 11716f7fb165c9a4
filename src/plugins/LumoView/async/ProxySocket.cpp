#include "async/ProxySocket.h"

#include <QNetworkProxy>
#include <QTcpSocket>

ProxySocket::ProxySocket(const QString &host, quint16 port, QObject *parent)
    : QTcpServer(parent), remoteHost(host), remotePort(port)
{
    qRegisterMetaType<QAbstractSocket::SocketState>("QAbstractSocket::SocketState");

    // The remote side keeps the default proxy: the application's.
    remote = new QTcpSocket(this);
    connect(remote, &QAbstractSocket::stateChanged, this, &ProxySocket::onRemoteSocketStateChanged);
    connect(remote, &QIODevice::readyRead, this, &ProxySocket::onRemoteSocketReadyRead);
    connect(remote, &QAbstractSocket::errorOccurred, this, &ProxySocket::reportRemoteError);

    setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    if (!listen(QHostAddress::LocalHost, 0))
        qWarning("%s", qPrintable(QLatin1String("ProxySocket ") + tr("error listening")
                                  + QLatin1Char(' ') + errorString()));
}

ProxySocket::~ProxySocket() = default;

void ProxySocket::incomingConnection(qintptr socketDescriptor)
{
    if (client) {
        client->disconnect(this);
        delete client;
        client = nullptr;
    }
    // The remote socket is reused: a newer client starts a fresh connection.
    if (remote->state() != QAbstractSocket::UnconnectedState)
        remote->abort();
    client = new QTcpSocket(this);
    client->setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    if (!client->setSocketDescriptor(socketDescriptor, QAbstractSocket::ConnectedState,
                                     QIODevice::ReadWrite)) {
        qWarning("%s", qPrintable(QLatin1String("ProxySocket ") + tr("can't set socket descriptor")));
        delete client;
        client = nullptr;
        return;
    }
    // Database protocols are chatty: small messages must not wait for the
    // acknowledgement of the previous ones.
    client->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(client, &QIODevice::readyRead, this, &ProxySocket::onClientReadyRead);
    connect(client, &QAbstractSocket::stateChanged, this, &ProxySocket::onClientStateChanged);
    // Connected without blocking the thread (it is the host's GUI thread, and
    // the relay itself must keep running); what the client sends meanwhile
    // waits in the client socket until the remote side is connected.
    remote->connectToHost(remoteHost, remotePort, QIODevice::ReadWrite, QAbstractSocket::AnyIPProtocol);
}

void ProxySocket::onClientReadyRead()
{
    if (client && remote && remote->state() == QAbstractSocket::ConnectedState)
        remote->write(client->readAll());
}

void ProxySocket::onRemoteSocketReadyRead()
{
    if (client && remote)
        client->write(remote->readAll());
}

void ProxySocket::onClientStateChanged(QAbstractSocket::SocketState state)
{
    if (state == QAbstractSocket::UnconnectedState && remote->state() != QAbstractSocket::UnconnectedState)
        remote->disconnectFromHost();
}

void ProxySocket::onRemoteSocketStateChanged(QAbstractSocket::SocketState state)
{
    if (state == QAbstractSocket::ConnectedState) {
        remote->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        onClientReadyRead();
    }
    else if (state == QAbstractSocket::UnconnectedState && client)
        dropClient();
}

void ProxySocket::dropClient()
{
    QTcpSocket *gone = client;
    client = nullptr;
    gone->disconnect(this);
    // The server's last words (an error message, say) still reach the driver.
    if (remote->bytesAvailable() > 0)
        gone->write(remote->readAll());
    connect(gone, &QAbstractSocket::disconnected, gone, &QObject::deleteLater);
    gone->disconnectFromHost();
    if (gone->state() == QAbstractSocket::UnconnectedState)
        gone->deleteLater();
}

// Without a word from the relay the driver would only see its connection
// closed: the reason is named. A server closing the connection is no fault.
void ProxySocket::reportRemoteError()
{
    if (remote->error() == QAbstractSocket::RemoteHostClosedError)
        return;
    qWarning("%s", qPrintable(QLatin1String("ProxySocket ")
                              + tr("can't reach %1:%2: %3")
                                    .arg(remoteHost)
                                    .arg(remotePort)
                                    .arg(remote->errorString())));
    if (client && remote->state() == QAbstractSocket::UnconnectedState)
        dropClient();
}
