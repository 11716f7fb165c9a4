#include "async/ProxyConnection.h"

#include "async/ProxySocket.h"

#include <QNetworkProxy>
#include <QTcpSocket>

ProxyConnection::ProxyConnection(qintptr socketDescriptor, const QString &host, quint16 port,
                                 const ProxyLimits &limits, QObject *parent)
    : QObject(parent)
    , remoteHost(host)
    , remotePort(port)
    , writeLimit(qMax<qint64>(limits.bufferPerDirection / 2, 1))
    , client(new QTcpSocket(this))
    , remote(new QTcpSocket(this))
    , handshake(QNetworkProxy::applicationProxy(), host, port)
{
    client->setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    if (!client->setSocketDescriptor(socketDescriptor, QAbstractSocket::ConnectedState,
                                     QIODevice::ReadWrite)) {
        ProxySocket::warn(ProxySocket::tr("can't set socket descriptor"));
        deleteLater();
        return;
    }
    // A full read buffer stops the socket reading from the kernel, which
    // then holds the sender back.
    client->setReadBufferSize(writeLimit);
    remote->setReadBufferSize(writeLimit);
    // Database protocols are chatty: small messages must not wait for the
    // acknowledgement of the previous ones.
    client->setSocketOption(QAbstractSocket::LowDelayOption, 1);

    connect(client, &QIODevice::readyRead, this, [this] { pass(client, remote); });
    connect(remote, &QIODevice::bytesWritten, this, [this] { pass(client, remote); });
    connect(client, &QIODevice::bytesWritten, this, [this] { pass(remote, client); });
    connect(client, &QAbstractSocket::disconnected, this, &ProxyConnection::clientClosed);

    // The proxy is spoken to on a plain socket (see ProxyHandshake).
    remote->setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    connect(remote, &QAbstractSocket::connected, this, &ProxyConnection::remoteConnected);
    connect(remote, &QIODevice::readyRead, this, &ProxyConnection::remoteReadyRead);
    connect(remote, &QAbstractSocket::disconnected, this, &ProxyConnection::remoteClosed);
    connect(remote, &QAbstractSocket::errorOccurred, this, &ProxyConnection::remoteFailed);
    connectTimer.setSingleShot(true);
    connect(&connectTimer, &QTimer::timeout, this, &ProxyConnection::remoteTimedOut);
    connectTimer.start(limits.connectTimeoutMs);
    // What the client sends meanwhile waits in the client socket.
    remote->connectToHost(handshake.proxyHost(), handshake.proxyPort(), QIODevice::ReadWrite,
                          QAbstractSocket::AnyIPProtocol);
}

// Called when `from` has news and when `to` has passed bytes on to the
// kernel; what does not fit stays in `from`, whose full buffer then stops it
// reading.
void ProxyConnection::pass(QTcpSocket *from, QTcpSocket *to)
{
    if (!open || to->state() != QAbstractSocket::ConnectedState)
        return;
    // Never more than is there: read() sizes its buffer by the argument.
    const qint64 bytes = qMin(writeLimit - to->bytesToWrite(), from->bytesAvailable());
    if (bytes > 0)
        to->write(from->read(bytes));
}

void ProxyConnection::remoteConnected()
{
    remote->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    remote->write(handshake.request());
    negotiate();
}

void ProxyConnection::remoteReadyRead()
{
    if (open)
        pass(remote, client);
    else
        negotiate();
}

void ProxyConnection::negotiate()
{
    switch (handshake.read(remote)) {
    case ProxyHandshake::Negotiating:
        return;
    case ProxyHandshake::Failed:
        giveUp(handshake.error());
        return;
    case ProxyHandshake::Open:
        open = true;
        connectTimer.stop();
        pass(client, remote);
        pass(remote, client);
        return;
    }
}

void ProxyConnection::clientClosed()
{
    // What the client wrote last still reaches the server.
    if (open && remote->state() == QAbstractSocket::ConnectedState && client->bytesAvailable() > 0)
        remote->write(client->readAll());
    if (remote->state() != QAbstractSocket::UnconnectedState)
        remote->disconnectFromHost();
    finishWhenClosed();
}

void ProxyConnection::remoteClosed()
{
    connectTimer.stop();
    // The server's last words (an error message, say) still reach the driver.
    if (client->state() == QAbstractSocket::ConnectedState) {
        if (open && remote->bytesAvailable() > 0)
            client->write(remote->readAll());
        client->disconnectFromHost();
    }
    finishWhenClosed();
}

// Without a word from the relay the driver would only see its connection
// closed: the reason is named. A server closing the connection is no fault.
void ProxyConnection::remoteFailed()
{
    if (remote->error() == QAbstractSocket::RemoteHostClosedError && open)
        return;
    QString reason = remote->errorString();
    if (!open && handshake.proxied())
        reason = ProxySocket::tr("proxy %1:%2: %3").arg(handshake.proxyHost()).arg(handshake.proxyPort()).arg(reason);
    giveUp(reason);
}

// A proxy that accepts the connection and never answers would otherwise
// keep the driver waiting for as long as it cares to.
void ProxyConnection::remoteTimedOut()
{
    giveUp(ProxySocket::tr("no answer within %1 s").arg(connectTimer.interval() / 1000.0));
}

void ProxyConnection::giveUp(const QString &reason)
{
    ProxySocket::warn(ProxySocket::tr("can't reach %1:%2: %3").arg(remoteHost).arg(remotePort).arg(reason));
    // Once: whatever the socket reports while it is taken down is no news.
    disconnect(remote, nullptr, this, nullptr);
    remote->abort();
    remoteClosed();
}

void ProxyConnection::finishWhenClosed()
{
    if (client->state() == QAbstractSocket::UnconnectedState
        && remote->state() == QAbstractSocket::UnconnectedState)
        deleteLater();
}
