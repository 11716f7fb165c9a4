#include "TestServers.h"

#include <QTest>
#include <QUrl>
#include <QUrlQuery>

namespace TestServers {

namespace {
bool withPartitioned = false;
bool withPooler = false;
}

QString url(const QString &server)
{
    return qEnvironmentVariable(qPrintable(QStringLiteral("LUMOVIEW_TEST_%1_URL").arg(server.toUpper())));
}

QString operatorUrl(const QString &server)
{
    const QString role = qEnvironmentVariable("LUMOVIEW_TEST_OPERATOR");
    QUrl u(url(server));
    if (role.isEmpty() || u.isEmpty())
        return url(server);
    u.setUserName(role.section(QLatin1Char(':'), 0, 0));
    u.setPassword(role.section(QLatin1Char(':'), 1));
    return u.toString();
}

bool isPostgres(const QString &server) { return server.startsWith(QLatin1String("pg")); }

void includePartitioned() { withPartitioned = true; }
void includePooler() { withPooler = true; }

QStringList available()
{
    QStringList servers;
    for (const char *server : {"pg", "mysql", "pgpart", "pgbouncer"}) {
        const QString name = QLatin1String(server);
        if (!url(name).isEmpty() && (withPartitioned || name != QLatin1String("pgpart"))
            && (withPooler || name != QLatin1String("pgbouncer")))
            servers << name;
    }
    return servers;
}

QSqlDatabase connection(const QString &server, const QString &name)
{
    const QUrl u(url(server));
    const QStringList parts = u.path().split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QSqlDatabase db = QSqlDatabase::addDatabase(parts.value(0), name);
    db.setDatabaseName(parts.value(1));
    db.setUserName(u.userName());
    db.setPassword(u.password());
    db.setHostName(u.host());
    db.setPort(u.port(3306));
    QStringList options;
    for (const auto &item : QUrlQuery(u).queryItems(QUrl::FullyDecoded))
        options << item.first + QLatin1Char('=') + item.second;
    db.setConnectOptions(options.join(QLatin1Char(';')));
    return db;
}

void addServerRows(const char *column)
{
    QTest::addColumn<QString>(column);
    for (const QString &server : available())
        QTest::newRow(qPrintable(server)) << server;
}

QDate day()
{
    const QDate d = QDate::fromString(qEnvironmentVariable("LUMOVIEW_TEST_DAY"), Qt::ISODate);
    return d.isValid() ? d : QDate(2024, 3, 6);
}

} // namespace TestServers
