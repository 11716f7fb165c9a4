#include "centresockets.h"

#include <QDir>
#include <QFile>
#include <QSet>

#include <unistd.h>

namespace {

const char establishedState[] = "01";

void readTable(const QString &path, quint16 serverPort, QList<CentreSockets::Connection> *into)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    file.readLine(); // the header
    while (!file.atEnd()) {
        // sl local_address rem_address st tx:rx tr:when retrnsmt uid timeout inode
        const QList<QByteArray> fields = file.readLine().simplified().split(' ');
        if (fields.size() < 10 || fields.at(3) != establishedState)
            continue;
        const quint16 remote = quint16(fields.at(2).split(':').value(1).toUInt(nullptr, 16));
        if (remote != serverPort)
            continue;
        CentreSockets::Connection c;
        c.localPort = quint16(fields.at(1).split(':').value(1).toUInt(nullptr, 16));
        c.remotePort = remote;
        c.inode = fields.at(9).toULongLong();
        into->append(c);
    }
}

QSet<quint64> socketInodes(qint64 pid)
{
    QSet<quint64> inodes;
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    const QStringList entries = fds.entryList(QDir::NoDotAndDotDot | QDir::System | QDir::Files);
    for (const QString &entry : entries) {
        char target[64];
        const ssize_t length = ::readlink(QFile::encodeName(fds.filePath(entry)).constData(), target, sizeof target - 1);
        if (length <= 0)
            continue;
        const QByteArray link(target, int(length)); // "socket:[12345]"
        if (link.startsWith("socket:[") && link.endsWith(']'))
            inodes.insert(link.mid(8, link.size() - 9).toULongLong());
    }
    return inodes;
}

} // namespace

namespace CentreSockets {

QList<Connection> toServer(quint16 serverPort)
{
    QList<Connection> connections;
    readTable(QStringLiteral("/proc/net/tcp"), serverPort, &connections);
    readTable(QStringLiteral("/proc/net/tcp6"), serverPort, &connections);
    return connections;
}

int heldBy(qint64 pid, const QList<Connection> &connections)
{
    const QSet<quint64> inodes = socketInodes(pid);
    int held = 0;
    for (const Connection &c : connections)
        held += inodes.contains(c.inode);
    return held;
}

qint64 ownerOf(quint16 clientPort, const QList<Connection> &connections, const QList<qint64> &pids)
{
    quint64 inode = 0;
    for (const Connection &c : connections) {
        if (c.localPort == clientPort)
            inode = c.inode;
    }
    if (!inode)
        return -1;
    for (qint64 pid : pids) {
        if (socketInodes(pid).contains(inode))
            return pid;
    }
    return -1;
}

} // namespace CentreSockets
