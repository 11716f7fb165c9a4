#ifndef CENTRESOCKETS_H
#define CENTRESOCKETS_H

#include <QList>
#include <QtGlobal>

// The TCP connections of this machine as /proc lists them: which process
// holds a connection to a server port, and which process a server's client
// port belongs to.
namespace CentreSockets {

struct Connection
{
    quint16 localPort = 0;
    quint16 remotePort = 0;
    quint64 inode = 0;
};

// Established IPv4 and IPv6 connections to `serverPort`, seen from the
// client's side.
QList<Connection> toServer(quint16 serverPort);
// How many of `connections` the process `pid` holds.
int heldBy(qint64 pid, const QList<Connection> &connections);
// The process among `pids` holding the client end whose local port is
// `clientPort`, or -1.
qint64 ownerOf(quint16 clientPort, const QList<Connection> &connections, const QList<qint64> &pids);

} // namespace CentreSockets

#endif // CENTRESOCKETS_H
