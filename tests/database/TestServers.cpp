#include "TestServers.h"

#include <QTest>
#include <QUrl>

namespace TestServers {

namespace {
bool withPartitioned = false;
}

QString url(const QString &server)
{
    return qEnvironmentVariable(qPrintable(QStringLiteral("LUMOVIEW_TEST_%1_URL").arg(server.toUpper())));
}

bool isPostgres(const QString &server) { return server.startsWith(QLatin1String("pg")); }

void includePartitioned() { withPartitioned = true; }

QStringList available()
{
    QStringList servers;
    for (const QString &server : {QStringLiteral("pg"), QStringLiteral("mysql"), QStringLiteral("pgpart")}) {
        if (!url(server).isEmpty() && (withPartitioned || server != QLatin1String("pgpart")))
            servers << server;
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
