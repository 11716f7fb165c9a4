#include "centrevictim.h"

#include "TestServers.h"

#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

const int sleepSeconds = 2;

} // namespace

CentreVictim::CentreVictim(const QString &server, int number, QObject *parent)
    : QThread(parent)
    , server(server)
    , number(number)
{
}

CentreVictim::~CentreVictim()
{
    finish();
    wait();
}

void CentreVictim::run()
{
    const QString name = QStringLiteral("centre-victim-%1").arg(number);
    const bool postgres = TestServers::isPostgres(server);
    {
        // The operator, like the hosts: a Stop could reach this session
        // with the operator's own rights.
        QSqlDatabase db = TestServers::connection(server, name);
        const QStringList login = qEnvironmentVariable("LUMOVIEW_TEST_OPERATOR").split(QLatin1Char(':'));
        if (login.size() == 2) {
            db.setUserName(login.at(0));
            db.setPassword(login.at(1));
        }
        const QString statement = (postgres ? QStringLiteral("select pg_sleep(%1), 0 /* centre victim */")
                                            : QStringLiteral("select sleep(%1) /* centre victim */"))
                                      .arg(sleepSeconds);
        while (!stopping) {
            if (!db.isOpen() && !db.open()) {
                ++failed;
                msleep(1000);
                continue;
            }
            QElapsedTimer timer;
            timer.start();
            QSqlQuery query(db);
            const bool ran = query.exec(statement) && query.next();
            // MariaDB's SLEEP answers 1 when it was killed; PostgreSQL fails.
            const bool early = ran ? (!postgres && query.value(0).toInt() == 1) : false;
            const QString error = query.lastError().text();
            const bool cancelError = !ran
                                     && (error.contains(QLatin1String("canceling statement"))
                                         || error.contains(QLatin1String("interrupted")));
            if (ran && !early && timer.elapsed() >= sleepSeconds * 1000 - 50) {
                ++completed;
            } else if (early || cancelError || ran) {
                ++cancelled;
                emit wasCancelled(number,
                                  ran ? QStringLiteral("the sleep ended after %1 ms").arg(timer.elapsed()) : error);
            } else {
                ++failed;
                db.close();
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}
