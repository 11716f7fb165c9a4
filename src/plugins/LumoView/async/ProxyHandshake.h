#ifndef PROXYHANDSHAKE_H
#define PROXYHANDSHAKE_H

#include <QByteArray>
#include <QNetworkProxy>
#include <QString>

class QTcpSocket;

// Opens a tunnel to host:port through the application's proxy, on a plain
// socket: SOCKS5 or HTTP CONNECT. Qt's own proxied sockets read whatever the
// proxy sends into a buffer without bound, so the relay could not hold a
// fast server back; on a plain socket a full read buffer does.
//
// The caller connects its socket to proxyHost():proxyPort(), sends
// request() once connected and calls read() whenever the socket has news,
// until it returns Open (the socket now carries the server's stream, the
// bytes after the proxy's answer left unread) or Failed (error()).
class ProxyHandshake
{
public:
    enum State { Negotiating, Open, Failed };

    ProxyHandshake(const QNetworkProxy &proxy, const QString &host, quint16 port);

    bool proxied() const { return !proxy.hostName().isEmpty(); }
    QString proxyHost() const;
    quint16 proxyPort() const;
    // Empty when there is nothing to negotiate (no proxy).
    QByteArray request();
    State read(QTcpSocket *socket);
    QString error() const { return failure; }

private:
    enum Step { Direct, SocksMethod, SocksLogin, SocksConnect, HttpReply };
    State fail(const QString &reason);
    QByteArray socksConnect() const;

    const QNetworkProxy proxy;
    const QString host;
    const quint16 port;
    Step step = Direct;
    QString failure;
};

#endif // PROXYHANDSHAKE_H
