#include "async/ProxyServer.h"

#include "async/PeerOwner.h"
#include "async/ProxyConnection.h"
#include "async/ProxySocket.h"

#include <QNetworkProxy>

#include <unistd.h>

ProxyServer::ProxyServer(const QString &host, quint16 port, const ProxyLimits &limits)
    : remoteHost(host), remotePort(port), limits(limits)
{
    setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
}

void ProxyServer::incomingConnection(qintptr socketDescriptor)
{
    const int open = findChildren<ProxyConnection *>(QString(), Qt::FindDirectChildrenOnly).size();
    if (open >= limits.connections) {
        refuse(socketDescriptor, TooMany,
               ProxySocket::tr("refused a connection: %1 connections are relayed already").arg(open));
        return;
    }
    // Any local user can reach a loopback port; the application's proxy is
    // only for the host's own processes.
    const std::optional<uint> owner = PeerOwner::of(socketDescriptor);
    if (!owner) {
        refuse(socketDescriptor, UnknownOwner,
               ProxySocket::tr("refused a connection whose owner is not listed in /proc/net/tcp"));
        return;
    }
    if (*owner != ::geteuid()) {
        refuse(socketDescriptor, OtherUser,
               ProxySocket::tr("refused a connection of another user (uid %1)").arg(*owner));
        return;
    }
    new ProxyConnection(socketDescriptor, remoteHost, remotePort, limits, this);
}

void ProxyServer::refuse(qintptr socketDescriptor, Refusal kind, const QString &warning)
{
    if (!warned[kind]) {
        warned[kind] = true;
        ProxySocket::warn(warning);
    }
    ::close(int(socketDescriptor));
}
