#include "async/PeerOwner.h"

#include <QFile>
#include <QHostAddress>
#include <QList>
#include <QtEndian>

#include <cstring>

#include <sys/socket.h>
#include <netinet/in.h>

namespace {

struct Endpoint
{
    QHostAddress address;
    quint16 port = 0;

    bool operator==(const Endpoint &other) const
    {
        return port == other.port && address.isEqual(other.address, QHostAddress::ConvertV4MappedToIPv4);
    }
    bool operator!=(const Endpoint &other) const { return !(*this == other); }
};

std::optional<Endpoint> endpointOf(const sockaddr_storage &storage)
{
    const auto *sa = reinterpret_cast<const sockaddr *>(&storage);
    if (sa->sa_family == AF_INET)
        return Endpoint{QHostAddress(sa), ntohs(reinterpret_cast<const sockaddr_in *>(sa)->sin_port)};
    if (sa->sa_family == AF_INET6)
        return Endpoint{QHostAddress(sa), ntohs(reinterpret_cast<const sockaddr_in6 *>(sa)->sin6_port)};
    return std::nullopt;
}

// "0100007F:1F90": the address as the kernel's 32-bit words printed in the
// machine's byte order, then the port.
std::optional<Endpoint> parseEndpoint(const QByteArray &text)
{
    const int colon = text.indexOf(':');
    const QByteArray hex = text.left(colon);
    if (colon < 0 || (hex.size() != 8 && hex.size() != 32))
        return std::nullopt;
    quint8 bytes[16];
    for (int word = 0; word < hex.size() / 8; ++word) {
        bool ok = false;
        const quint32 value = hex.mid(word * 8, 8).toUInt(&ok, 16);
        if (!ok)
            return std::nullopt;
        std::memcpy(bytes + word * 4, &value, 4);
    }
    bool ok = false;
    const quint16 port = text.mid(colon + 1).toUShort(&ok, 16);
    if (!ok)
        return std::nullopt;
    const QHostAddress address = hex.size() == 8 ? QHostAddress(qFromBigEndian<quint32>(bytes)) : QHostAddress(bytes);
    return Endpoint{address, port};
}

} // namespace

std::optional<uint> PeerOwner::of(qintptr socketDescriptor)
{
    sockaddr_storage local{}, peer{};
    socklen_t localSize = sizeof local, peerSize = sizeof peer;
    if (::getsockname(int(socketDescriptor), reinterpret_cast<sockaddr *>(&local), &localSize) != 0
        || ::getpeername(int(socketDescriptor), reinterpret_cast<sockaddr *>(&peer), &peerSize) != 0)
        return std::nullopt;
    const std::optional<Endpoint> ours = endpointOf(local), theirs = endpointOf(peer);
    if (!ours || !theirs)
        return std::nullopt;

    // The peer's own socket: its local end is our peer, its remote end us.
    for (const char *table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        QFile file(QString::fromLatin1(table));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        file.readLine(); // the column titles
        while (!file.atEnd()) {
            const QList<QByteArray> fields = file.readLine().simplified().split(' ');
            // sl local_address rem_address st tx:rx tr:when retrnsmt uid ...
            if (fields.size() < 8 || parseEndpoint(fields.at(1)) != theirs || parseEndpoint(fields.at(2)) != ours)
                continue;
            bool ok = false;
            const uint uid = fields.at(7).toUInt(&ok);
            if (ok)
                return uid;
        }
    }
    return std::nullopt;
}
