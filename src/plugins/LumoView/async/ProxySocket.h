#ifndef PROXYSOCKET_H
#define PROXYSOCKET_H

#include "async/ProxyLimits.h"

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QThread>

class ProxyServer;

// A loopback TCP relay for database drivers, which open their connections
// directly and know nothing of Qt's network proxy. Drivers connect to
// 127.0.0.1:serverPort(); each local connection gets a connection of its own
// to the server, made through Qt's networking and so through the
// application-wide proxy. Every view's worker has its own database
// connection, so any number of them (up to the limit) are relayed at once.
//
// The sockets live in a thread of the relay's own: a statement relayed for a
// worker goes on while the thread that made the relay is busy or waits for
// that worker. This object stays in its creator's thread and owns that
// thread; destroying it closes every relayed connection.
class ProxySocket : public QObject
{
    Q_OBJECT

public:
    // Listens at once, so the port is known when the constructor returns.
    ProxySocket(const QString &host, quint16 port, QObject *parent = nullptr,
                const ProxyLimits &limits = ProxyLimits());
    ~ProxySocket() override;

    // 0 when listening failed.
    quint16 serverPort() const { return listeningPort; }
    QHostAddress serverAddress() const { return listeningAddress; }
    bool relaysTo(const QString &host, quint16 port) const;

    // The relay's diagnostics: "ProxySocket " and the text, as a warning.
    static void warn(const QString &text);

private:
    void stop();

    const QString remoteHost;
    const quint16 remotePort;
    QHostAddress listeningAddress;
    quint16 listeningPort = 0;
    QThread thread;
};

#endif // PROXYSOCKET_H
