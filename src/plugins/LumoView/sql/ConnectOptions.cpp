#include "ConnectOptions.h"

#include "sql/SqlDialect.h"

#include <QCoreApplication>
#include <QStringList>
#include <QUrl>
#include <QUrlQuery>

namespace {

bool isPostgres(const QString &driver)
{
    return SqlDialect::forDriver(driver).isPostgres();
}

bool isMySql(const QString &driver)
{
    return SqlDialect::isMySqlDriver(driver);
}

QStringList tlsOptions(const QString &driver)
{
    if (isPostgres(driver))
        return {"sslmode", "sslrootcert", "sslcert", "sslkey", "sslcrl"};
    if (isMySql(driver))
        return {"SSL_CA", "SSL_CAPATH", "SSL_CERT", "SSL_KEY", "SSL_CIPHER"};
    return {};
}

// PostgreSQL's driver hands the options to libpq as one line of key=value
// pairs: a value is quoted there, with its quotes and backslashes escaped.
QString postgresValue(QString value)
{
    value.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    value.replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + value + QLatin1Char('\'');
}

} // namespace

namespace ConnectOptions {

QString fromUrl(const QString &driver, const QUrl &url, QString *error)
{
    const QStringList allowed = tlsOptions(driver);
    QStringList options;
    const auto items = QUrlQuery(url).queryItems(QUrl::FullyDecoded);
    for (const auto &item : items) {
        if (!allowed.contains(item.first)) {
            // The messages of the URL's check.
            *error = allowed.isEmpty()
                ? QCoreApplication::translate("DatabaseUrl",
                                              "The database URL has the option %1, but the driver %2 takes none")
                      .arg(item.first, driver)
                : QCoreApplication::translate("DatabaseUrl", "The database URL has the option %1, which the "
                                                             "driver %2 does not take (it takes %3)")
                      .arg(item.first, driver, allowed.join(QLatin1String(", ")));
            return QString();
        }
        // Both drivers split their options at semicolons, and MySQL's
        // collapses blanks: such a value would reach the library changed.
        const QString &value = item.second;
        if (value.isEmpty() || value.contains(QLatin1Char(';'))
            || (isMySql(driver) && value.simplified() != value)) {
            *error = QCoreApplication::translate("DatabaseUrl", "The value of the option %1 in the database URL "
                                                                "cannot be passed to the driver (empty, or with a "
                                                                "semicolon or surplus blanks)")
                         .arg(item.first);
            return QString();
        }
        options << item.first + QLatin1Char('=') + (isPostgres(driver) ? postgresValue(value) : value);
    }
    return options.join(QLatin1Char(';'));
}

QString withTimeouts(const QString &driver, const QString &options, int connectSeconds,
                     int readSeconds)
{
    QStringList all;
    if (!options.isEmpty())
        all << options;
    if (isPostgres(driver)) {
        // libpq has no read time-out; it takes 2 s for anything shorter.
        all << QStringLiteral("connect_timeout=%1").arg(connectSeconds);
    } else if (isMySql(driver)) {
        all << QStringLiteral("MYSQL_OPT_CONNECT_TIMEOUT=%1").arg(connectSeconds);
        if (readSeconds > 0) {
            all << QStringLiteral("MYSQL_OPT_READ_TIMEOUT=%1").arg(readSeconds)
                << QStringLiteral("MYSQL_OPT_WRITE_TIMEOUT=%1").arg(readSeconds);
        }
    }
    return all.join(QLatin1Char(';'));
}

QString throughRelay(const QString &driver, const QString &options, const QString &address)
{
    if (!isPostgres(driver))
        return options;
    const QString hostaddr = QStringLiteral("hostaddr=") + address;
    return options.isEmpty() ? hostaddr : options + QLatin1Char(';') + hostaddr;
}

} // namespace ConnectOptions
