#include "async/ProxyHandshake.h"

#include "async/ProxySocket.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QUrl>
#include <QtEndian>

namespace {

// SOCKS5 (RFC 1928, 1929).
const char socksVersion = 5;
const char noLogin = 0, userLogin = 2;
const char loginVersion = 1;
const char connectCommand = 1;
const char ipv4Address = 1, domainName = 3, ipv6Address = 4;
// An HTTP proxy's answer is a few lines; more means it is not one.
const int httpReplyLimit = 16 * 1024;

QString socksReplyText(int code)
{
    switch (code) {
    case 1: return ProxySocket::tr("the proxy failed");
    case 2: return ProxySocket::tr("the proxy's rules do not allow the connection");
    case 3: return ProxySocket::tr("network unreachable");
    case 4: return ProxySocket::tr("host unreachable");
    case 5: return ProxySocket::tr("connection refused");
    case 6: return ProxySocket::tr("time-to-live expired");
    default: return ProxySocket::tr("the proxy answered with error %1").arg(code);
    }
}

QByteArray bytes(std::initializer_list<char> list)
{
    return QByteArray(list.begin(), int(list.size()));
}

bool isLoopback(const QString &host)
{
    return host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 || QHostAddress(host).isLoopback();
}

} // namespace

// Qt never sends connections to a loopback address through a proxy; nor
// does the relay.
ProxyHandshake::ProxyHandshake(const QNetworkProxy &proxy, const QString &host, quint16 port)
    : proxy(isLoopback(host) ? QNetworkProxy(QNetworkProxy::NoProxy) : proxy), host(host), port(port)
{
}

QString ProxyHandshake::proxyHost() const
{
    return proxy.hostName().isEmpty() ? host : proxy.hostName();
}

quint16 ProxyHandshake::proxyPort() const
{
    return proxy.hostName().isEmpty() ? port : proxy.port();
}

QByteArray ProxyHandshake::request()
{
    if (proxy.hostName().isEmpty())
        return QByteArray();
    if (proxy.type() == QNetworkProxy::Socks5Proxy) {
        step = SocksMethod;
        return proxy.user().isEmpty() ? bytes({socksVersion, 1, noLogin}) : bytes({socksVersion, 2, noLogin, userLogin});
    }
    // HTTP CONNECT; any other kind of proxy cannot carry a TCP stream.
    step = HttpReply;
    const QByteArray target = (QHostAddress(host).protocol() == QAbstractSocket::IPv6Protocol
                                   ? '[' + host.toLatin1() + ']' : QUrl::toAce(host))
                              + ':' + QByteArray::number(port);
    QByteArray text = "CONNECT " + target + " HTTP/1.1\r\nHost: " + target + "\r\n";
    if (!proxy.user().isEmpty())
        text += "Proxy-Authorization: Basic " + (proxy.user() + ':' + proxy.password()).toUtf8().toBase64() + "\r\n";
    return text + "\r\n";
}

ProxyHandshake::State ProxyHandshake::read(QTcpSocket *socket)
{
    switch (step) {
    case Direct:
        return Open;
    case SocksMethod: {
        if (socket->bytesAvailable() < 2)
            return Negotiating;
        const QByteArray answer = socket->read(2);
        if (answer.at(0) != socksVersion)
            return fail(ProxySocket::tr("the proxy does not speak SOCKS5"));
        if (answer.at(1) == userLogin && !proxy.user().isEmpty()) {
            const QByteArray user = proxy.user().toUtf8().left(255), password = proxy.password().toUtf8().left(255);
            socket->write(loginVersion + (char(user.size()) + user) + char(password.size()) + password);
            step = SocksLogin;
            return read(socket);
        }
        if (answer.at(1) != noLogin)
            return fail(ProxySocket::tr("the proxy accepts none of our ways to log in"));
        socket->write(socksConnect());
        step = SocksConnect;
        return read(socket);
    }
    case SocksLogin: {
        if (socket->bytesAvailable() < 2)
            return Negotiating;
        if (socket->read(2).at(1) != 0)
            return fail(ProxySocket::tr("the proxy refused the user name or password"));
        socket->write(socksConnect());
        step = SocksConnect;
        return read(socket);
    }
    case SocksConnect: {
        // Version, reply, reserved, the bound address (typed) and port.
        const QByteArray head = socket->peek(5);
        if (head.size() < 5)
            return Negotiating;
        if (head.at(0) != socksVersion)
            return fail(ProxySocket::tr("the proxy does not speak SOCKS5"));
        if (head.at(1) != 0)
            return fail(socksReplyText(quint8(head.at(1))));
        const int address = head.at(3) == ipv4Address ? 4 : head.at(3) == ipv6Address ? 16 : 1 + quint8(head.at(4));
        if (socket->bytesAvailable() < 4 + address + 2)
            return Negotiating;
        socket->read(4 + address + 2);
        return Open;
    }
    case HttpReply: {
        const QByteArray answer = socket->peek(httpReplyLimit);
        const int end = answer.indexOf("\r\n\r\n");
        if (end < 0)
            return answer.size() < httpReplyLimit ? Negotiating : fail(ProxySocket::tr("the proxy does not speak HTTP"));
        socket->read(end + 4);
        const QByteArray status = answer.left(answer.indexOf("\r\n"));
        const QList<QByteArray> words = status.split(' ');
        if (words.size() < 2 || !words.at(0).startsWith("HTTP/1.") || words.at(1) != "200")
            return fail(ProxySocket::tr("the proxy answered: %1").arg(QString::fromLatin1(status)));
        return Open;
    }
    }
    return Negotiating;
}

ProxyHandshake::State ProxyHandshake::fail(const QString &reason)
{
    failure = reason;
    return Failed;
}

QByteArray ProxyHandshake::socksConnect() const
{
    QByteArray text = bytes({socksVersion, connectCommand, 0});
    const QHostAddress address(host);
    if (address.protocol() == QAbstractSocket::IPv4Protocol) {
        text += ipv4Address;
        const quint32 ip = qToBigEndian(address.toIPv4Address());
        text += QByteArray(reinterpret_cast<const char *>(&ip), 4);
    } else if (address.protocol() == QAbstractSocket::IPv6Protocol) {
        text += ipv6Address;
        const Q_IPV6ADDR ip = address.toIPv6Address();
        text += QByteArray(reinterpret_cast<const char *>(ip.c), 16);
    } else {
        const QByteArray name = QUrl::toAce(host).left(255);
        text += domainName;
        text += char(name.size()) + name;
    }
    const quint16 networkPort = qToBigEndian(port);
    return text + QByteArray(reinterpret_cast<const char *>(&networkPort), 2);
}
