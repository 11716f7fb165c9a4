#ifndef PROXYCONNECTION_H
#define PROXYCONNECTION_H

#include "async/ProxyHandshake.h"
#include "async/ProxyLimits.h"

#include <QObject>
#include <QString>
#include <QTimer>

class QTcpSocket;

// One local client of the relay and its own connection to the server: the
// bytes are copied unchanged in both directions, and when either side
// closes the other is closed too. Each direction holds a bounded number of
// bytes; past it the source is no longer read until the destination has
// passed some on. The object deletes itself once both sides are closed.
class ProxyConnection : public QObject
{
    Q_OBJECT

public:
    // Adopts the accepted descriptor and starts the connection to the
    // server through the application-wide proxy.
    ProxyConnection(qintptr socketDescriptor, const QString &host, quint16 port, const ProxyLimits &limits,
                    QObject *parent);

private:
    void pass(QTcpSocket *from, QTcpSocket *to);
    void remoteConnected();
    void remoteReadyRead();
    void negotiate();
    void clientClosed();
    void remoteClosed();
    void remoteFailed();
    void remoteTimedOut();
    void giveUp(const QString &reason);
    void finishWhenClosed();

    const QString remoteHost;
    const quint16 remotePort;
    // Of a direction's bytes, half may wait in the source's read buffer and
    // half in the destination's write buffer.
    const qint64 writeLimit;
    QTcpSocket *client;
    QTcpSocket *remote;
    ProxyHandshake handshake;
    // The remote socket carries the server's stream (past the proxy's answer).
    bool open = false;
    QTimer connectTimer;
};

#endif // PROXYCONNECTION_H
