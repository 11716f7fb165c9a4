#include "async/ProxySocket.h"

#include "async/ProxyConnection.h"

#include <QNetworkProxy>

ProxySocket::ProxySocket(const QString &host, quint16 port, QObject *parent)
    : QTcpServer(parent), remoteHost(host), remotePort(port)
{
    setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    if (!listen(QHostAddress::LocalHost, 0))
        qWarning("%s", qPrintable(QLatin1String("ProxySocket ") + tr("error listening")
                                  + QLatin1Char(' ') + errorString()));
}

ProxySocket::~ProxySocket() = default;

void ProxySocket::incomingConnection(qintptr socketDescriptor)
{
    // Owned by the relay; it goes by itself once both of its sides are closed.
    new ProxyConnection(socketDescriptor, remoteHost, remotePort, this);
}
