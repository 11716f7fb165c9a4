#ifndef PROXYSERVER_H
#define PROXYSERVER_H

#include "async/ProxyLimits.h"

#include <QString>
#include <QTcpServer>

// The relay's listening socket, working in the relay's thread: it accepts
// local clients of the host's own user, up to the limit, and gives each a
// ProxyConnection of its own. Refusals are warned about once per kind, not
// once per connection.
class ProxyServer : public QTcpServer
{
    Q_OBJECT

public:
    ProxyServer(const QString &host, quint16 port, const ProxyLimits &limits);

protected:
    void incomingConnection(qintptr socketDescriptor) override;

private:
    enum Refusal { TooMany, UnknownOwner, OtherUser, RefusalKinds };
    void refuse(qintptr socketDescriptor, Refusal kind, const QString &warning);

    const QString remoteHost;
    const quint16 remotePort;
    const ProxyLimits limits;
    bool warned[RefusalKinds] = {};
};

#endif // PROXYSERVER_H
