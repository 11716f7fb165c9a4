#include "async/ProxyConnection.h"

#include "async/ProxySocket.h"

#include <QNetworkProxy>
#include <QTcpSocket>

ProxyConnection::ProxyConnection(qintptr socketDescriptor, const QString &host, quint16 port,
                                 QObject *parent)
    : QObject(parent)
    , remoteHost(host)
    , remotePort(port)
    , client(new QTcpSocket(this))
    , remote(new QTcpSocket(this))
{
    client->setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    if (!client->setSocketDescriptor(socketDescriptor, QAbstractSocket::ConnectedState,
                                     QIODevice::ReadWrite)) {
        qWarning("%s", qPrintable(QLatin1String("ProxySocket ")
                                  + ProxySocket::tr("can't set socket descriptor")));
        deleteLater();
        return;
    }
    // Database protocols are chatty: small messages must not wait for the
    // acknowledgement of the previous ones.
    client->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(client, &QIODevice::readyRead, this, &ProxyConnection::clientReadyRead);
    connect(client, &QAbstractSocket::disconnected, this, &ProxyConnection::clientClosed);

    // The remote side keeps the default proxy: the application's.
    connect(remote, &QAbstractSocket::connected, this, &ProxyConnection::remoteConnected);
    connect(remote, &QIODevice::readyRead, this, &ProxyConnection::remoteReadyRead);
    connect(remote, &QAbstractSocket::disconnected, this, &ProxyConnection::remoteClosed);
    connect(remote, &QAbstractSocket::errorOccurred, this, &ProxyConnection::remoteFailed);
    // Connected without blocking the thread (it is the host's GUI thread, and
    // the relay's other connections must keep running); what the client sends
    // meanwhile waits in the client socket.
    remote->connectToHost(remoteHost, remotePort, QIODevice::ReadWrite, QAbstractSocket::AnyIPProtocol);
}

void ProxyConnection::clientReadyRead()
{
    if (remote->state() == QAbstractSocket::ConnectedState)
        remote->write(client->readAll());
}

void ProxyConnection::remoteReadyRead()
{
    if (client->state() == QAbstractSocket::ConnectedState)
        client->write(remote->readAll());
}

void ProxyConnection::remoteConnected()
{
    remote->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    clientReadyRead();
}

void ProxyConnection::clientClosed()
{
    // What the client wrote last still reaches the server.
    if (remote->state() != QAbstractSocket::UnconnectedState)
        remote->disconnectFromHost();
    finishWhenClosed();
}

void ProxyConnection::remoteClosed()
{
    // The server's last words (an error message, say) still reach the driver.
    if (client->state() == QAbstractSocket::ConnectedState) {
        if (remote->bytesAvailable() > 0)
            client->write(remote->readAll());
        client->disconnectFromHost();
    }
    finishWhenClosed();
}

// Without a word from the relay the driver would only see its connection
// closed: the reason is named. A server closing the connection is no fault.
void ProxyConnection::remoteFailed()
{
    if (remote->error() == QAbstractSocket::RemoteHostClosedError)
        return;
    qWarning("%s", qPrintable(QLatin1String("ProxySocket ")
                              + ProxySocket::tr("can't reach %1:%2: %3")
                                    .arg(remoteHost)
                                    .arg(remotePort)
                                    .arg(remote->errorString())));
    if (remote->state() == QAbstractSocket::UnconnectedState)
        remoteClosed();
}

void ProxyConnection::finishWhenClosed()
{
    if (client->state() == QAbstractSocket::UnconnectedState
        && remote->state() == QAbstractSocket::UnconnectedState)
        deleteLater();
}
