#ifndef PEEROWNER_H
#define PEEROWNER_H

#include <QtGlobal>

#include <optional>

// Who is at the other end of an accepted loopback TCP connection: the user
// id that owns the peer's socket, as the kernel lists it in /proc/net/tcp
// (or tcp6, for an IPv6 socket talking to an IPv4 address). Nothing when the
// connection is not listed, for instance because the peer is already gone.
namespace PeerOwner {
std::optional<uint> of(qintptr socketDescriptor);
}

#endif // PEEROWNER_H
