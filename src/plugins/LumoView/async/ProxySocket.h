#ifndef PROXYSOCKET_H
#define PROXYSOCKET_H

#include <QAbstractSocket>
#include <QString>
#include <QTcpServer>

class QTcpSocket;

// A loopback TCP relay for database drivers, which open their connections
// directly and know nothing of Qt's network proxy. The driver connects to
// 127.0.0.1:serverPort(); the relay reaches the server through Qt's
// networking and so through the application-wide proxy.
class ProxySocket : public QTcpServer
{
    Q_OBJECT

public:
    ProxySocket(const QString &host, quint16 port, QObject *parent = nullptr);
    ~ProxySocket() override;

protected:
    void incomingConnection(qintptr socketDescriptor) override;

private slots:
    void onClientReadyRead();
    void onRemoteSocketReadyRead();
    void onClientStateChanged(QAbstractSocket::SocketState state);
    void onRemoteSocketStateChanged(QAbstractSocket::SocketState state);

private:
    void reportRemoteError();
    // Hands over what is still buffered and closes the client gracefully.
    void dropClient();

    QString remoteHost;
    quint16 remotePort;
    QTcpSocket *client = nullptr;
    QTcpSocket *remote = nullptr;
};

#endif // PROXYSOCKET_H
