#ifndef PROXYCONNECTION_H
#define PROXYCONNECTION_H

#include <QObject>
#include <QString>

class QTcpSocket;

// One local client of the relay and its own connection to the server: the
// bytes are copied unchanged in both directions, and when either side
// closes the other is closed too. The object deletes itself once both
// sides are closed.
class ProxyConnection : public QObject
{
    Q_OBJECT

public:
    // Adopts the accepted descriptor and starts the connection to the
    // server through the application-wide proxy.
    ProxyConnection(qintptr socketDescriptor, const QString &host, quint16 port, QObject *parent);

private:
    void clientReadyRead();
    void remoteReadyRead();
    void remoteConnected();
    void clientClosed();
    void remoteClosed();
    void remoteFailed();
    void finishWhenClosed();

    QString remoteHost;
    quint16 remotePort;
    QTcpSocket *client;
    QTcpSocket *remote;
};

#endif // PROXYCONNECTION_H
