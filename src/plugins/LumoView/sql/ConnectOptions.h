#ifndef CONNECTOPTIONS_H
#define CONNECTOPTIONS_H

#include <QString>

class QUrl;

// The connect options of the module's connections, in the form each Qt SQL
// driver reads them: the encryption a database URL asks for, and time-outs
// that bound how long a connection may hold its thread for a server that
// does not answer.
namespace ConnectOptions {

// The options for the TLS settings that `url` carries as query items, for
// `driver`: PostgreSQL takes sslmode, sslrootcert, sslcert, sslkey and
// sslcrl, MySQL SSL_CA, SSL_CAPATH, SSL_CERT, SSL_KEY and SSL_CIPHER. Any
// other item, or a value the driver's option syntax cannot carry, gives an
// empty result and the reason in `error` (which names no value).
QString fromUrl(const QString &driver, const QUrl &url, QString *error);

// `options` followed by a time-out of `connectSeconds` for opening the
// connection and, where the driver has them (MySQL), time-outs of
// `readSeconds` for every read and write; 0 leaves those out. A later
// option overrides an earlier one of the same name in both drivers.
QString withTimeouts(const QString &driver, const QString &options, int connectSeconds,
                     int readSeconds = 0);

// `options` with the server's address for a connection made through the
// loopback relay: PostgreSQL connects to `address` and still checks the
// server's certificate against the host name it is given.
QString throughRelay(const QString &driver, const QString &options, const QString &address);

} // namespace ConnectOptions

#endif // CONNECTOPTIONS_H
