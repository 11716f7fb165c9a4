#ifndef PROXYLIMITS_H
#define PROXYLIMITS_H

#include <QtGlobal>

// What the relay allows itself, so that neither a flood of local clients nor
// a fast sender in front of a slow reader can take the host's descriptors or
// memory.
struct ProxyLimits
{
    // Bytes held per direction of one connection: read from one side and not
    // yet handed to the kernel for the other. Beyond it the relay stops
    // reading, and TCP slows the sender down.
    qint64 bufferPerDirection = 1024 * 1024;
    // Local connections relayed at once; the server would refuse more than
    // its own limit (PostgreSQL's default is 100) anyway.
    int connections = 100;
    // How long the proxy (or the server, without one) may take to answer
    // before the local client is closed.
    int connectTimeoutMs = 15000;
};

#endif // PROXYLIMITS_H
