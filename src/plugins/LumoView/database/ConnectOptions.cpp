#include "ConnectOptions.h"

#include <QStringList>

namespace ConnectOptions {

QString withTimeouts(const QString &driver, const QString &options, int connectSeconds,
                     int readSeconds)
{
    QStringList all;
    if (!options.isEmpty())
        all << options;
    if (driver == QLatin1String("QPSQL")) {
        // libpq has no read time-out; it takes 2 s for anything shorter.
        all << QStringLiteral("connect_timeout=%1").arg(connectSeconds);
    } else if (driver.startsWith(QLatin1String("QMYSQL"))) {
        all << QStringLiteral("MYSQL_OPT_CONNECT_TIMEOUT=%1").arg(connectSeconds);
        if (readSeconds > 0) {
            all << QStringLiteral("MYSQL_OPT_READ_TIMEOUT=%1").arg(readSeconds)
                << QStringLiteral("MYSQL_OPT_WRITE_TIMEOUT=%1").arg(readSeconds);
        }
    }
    return all.join(QLatin1Char(';'));
}

} // namespace ConnectOptions
