#ifndef PROXYSOCKET_H
#define PROXYSOCKET_H

#include <QString>
#include <QTcpServer>

// A loopback TCP relay for database drivers, which open their connections
// directly and know nothing of Qt's network proxy. Drivers connect to
// 127.0.0.1:serverPort(); each local connection gets a connection of its own
// to the server, made through Qt's networking and so through the
// application-wide proxy. Every view's worker has its own database
// connection, so any number of them are relayed at once.
class ProxySocket : public QTcpServer
{
    Q_OBJECT

public:
    ProxySocket(const QString &host, quint16 port, QObject *parent = nullptr);
    ~ProxySocket() override;

protected:
    void incomingConnection(qintptr socketDescriptor) override;

private:
    QString remoteHost;
    quint16 remotePort;
};

#endif // PROXYSOCKET_H
