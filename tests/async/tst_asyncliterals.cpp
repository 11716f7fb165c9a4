// Values bound to '?' reach the server exactly as given, in both dialects
// and in the modes a real server may be set to: random texts and bytes and
// the classic hostile values are inserted through the service and selected
// back, byte for byte; nothing bound ever changes the statement.
#include "AsyncRecorder.h"
#include "TestServers.h"

#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

#include <memory>

namespace {

const int randomRows = 5000; // one text and one byte array each
const int rowsPerStatement = 100;

struct Value
{
    QVariant text;
    QVariant bytes;
};

QString randomText(QRandomGenerator &rng, bool nulAllowed)
{
    static const QString hostile = QStringLiteral("'\"\\?`;-/*%_$\n\r\t ");
    const int length = rng.bounded(20) == 0 ? rng.bounded(3000) : rng.bounded(60);
    QString s;
    for (int i = 0; i < length; ++i) {
        switch (rng.bounded(8)) {
        case 0:
        case 1:
            s += hostile.at(rng.bounded(hostile.size()));
            break;
        case 2:
            s += QChar(0x410 + rng.bounded(64)); // Cyrillic
            break;
        case 3:
            s += QChar(0x4E00 + rng.bounded(2000)); // CJK
            break;
        case 4: {
            const char32_t emoji = 0x1F600 + rng.bounded(80);
            s += QString::fromUcs4(&emoji, 1);
            break;
        }
        case 5: {
            const int c = rng.bounded(nulAllowed ? 0 : 1, 32);
            s += QChar(c);
            break;
        }
        default:
            s += QChar(0x20 + rng.bounded(95));
        }
    }
    return s;
}

QByteArray randomBytes(QRandomGenerator &rng)
{
    const int length = rng.bounded(20) == 0 ? rng.bounded(5000) : rng.bounded(64);
    QByteArray b(length, Qt::Uninitialized);
    for (int i = 0; i < length; ++i)
        b[i] = static_cast<char>(rng.bounded(256));
    return b;
}

QStringList hostileTexts()
{
    return {QStringLiteral("'"), QStringLiteral("''"), QStringLiteral("\\"), QStringLiteral("\\'"),
            QStringLiteral("'\\"), QStringLiteral("\\\\'"), QStringLiteral("?"), QStringLiteral("?\?'?"),
            QStringLiteral("' or '1'='1"), QStringLiteral("'); drop table async_sentinel; --"),
            QStringLiteral("\\'); drop table async_sentinel; -- "),
            QStringLiteral("\\''); drop table async_sentinel; #"), QStringLiteral("\" or \"\"=\""),
            QStringLiteral("`"), QStringLiteral("``; drop table async_sentinel"), QStringLiteral("$$"),
            QStringLiteral("$x$'$x$"), QStringLiteral("/*"), QStringLiteral("*/"), QStringLiteral("--"),
            QStringLiteral("\n"), QStringLiteral("\r\n"), QStringLiteral("\t"), QStringLiteral("E'\\x41'"),
            QStringLiteral("x'41'"), QStringLiteral("\\x41"), QStringLiteral("%_\\%\\_"),
            QStringLiteral("\\0\\Z\\b\\n\\r\\t"), QString::fromUtf8("\xe2\x80\x99 \xca\xbc"),
            QString::fromUtf8("Привет, мир"), QString::fromUtf8("日本語"),
            QString::fromUtf8("\xf0\x9f\x98\x80"), QString(""), QString(),
            QString(1 << 20, QLatin1Char('a')) + QStringLiteral("'\\?")};
}

QList<QByteArray> hostileBytes()
{
    QByteArray all(256, Qt::Uninitialized);
    for (int i = 0; i < 256; ++i)
        all[i] = static_cast<char>(i);
    QByteArray big(1 << 20, '\\');
    big[1000] = '\'';
    return {QByteArray(""), QByteArray("\\x00"), QByteArray("'"), QByteArray("\\"),
            QByteArray("\0", 1), all, big};
}

} // namespace

class AsyncLiteralsTest : public QObject
{
    Q_OBJECT

    QSqlDatabase reference;
    int connections = 0;

    bool exec(const QString &text)
    {
        QSqlQuery q(reference);
        if (!q.exec(text)) {
            qWarning() << text << q.lastError().text();
            return false;
        }
        return true;
    }

    QString scalar(const QString &text)
    {
        QSqlQuery q(reference);
        if (!q.exec(text) || !q.next())
            return QString();
        return q.value(0).toString();
    }

    // Puts the server in `mode` for new sessions; the guard puts it back.
    std::function<void()> setMode(const QString &server, const QString &mode)
    {
        if (mode == QLatin1String("default"))
            return [] {};
        if (server == QLatin1String("pg")) {
            exec(QStringLiteral("alter role lumo set standard_conforming_strings = off"));
            return [this] { exec(QStringLiteral("alter role lumo reset standard_conforming_strings")); };
        }
        const QString old = scalar(QStringLiteral("select @@global.sql_mode"));
        exec(QStringLiteral("set global sql_mode = '%1'")
                 .arg(old.isEmpty() ? mode : old + QLatin1Char(',') + mode));
        return [this, old] { exec(QStringLiteral("set global sql_mode = '%1'").arg(old)); };
    }

    void useServer(const QString &server)
    {
        reference = TestServers::connection(server, QStringLiteral("reference%1").arg(++connections));
        QVERIFY2(reference.open(), qPrintable(reference.lastError().text()));
    }

    // Kills every session of the service, so that it has to reconnect.
    void killServiceSessions(const QString &server)
    {
        if (server == QLatin1String("pg")) {
            QVERIFY(exec(QStringLiteral("select pg_terminate_backend(pid) from pg_stat_activity "
                                        "where usename = 'lumo' and pid <> pg_backend_pid()")));
            return;
        }
        QSqlQuery q(reference);
        QVERIFY(q.exec(QStringLiteral("select id from information_schema.processlist "
                                      "where user = 'lumo' and id <> connection_id()")));
        QStringList ids;
        while (q.next())
            ids << q.value(0).toString();
        for (const QString &id : ids)
            exec(QStringLiteral("kill ") + id);
    }

    static QVariant echo(AsyncDatabase &service, AsyncRecorder &recorder, const QVariant &value)
    {
        auto *query = new AsyncSqlQuery(&service, QStringLiteral("select ?"));
        query->addBindValue(value);
        const AsyncRecorder::Outcome o = recorder.run(&service, query);
        delete query;
        if (o.signal != QLatin1String("finished") || o.rows.size() != 1) {
            qWarning() << "echo failed:" << o.signal << o.error;
            return QStringLiteral("<failed>");
        }
        return o.rows.first().toList().value(0);
    }

private slots:
    void initTestCase()
    {
        if (TestServers::available().isEmpty())
            QSKIP("No test servers: run through scripts/dbserver");
    }

    void cleanup()
    {
        if (reference.isOpen()) {
            exec(QStringLiteral("drop table if exists async_literals"));
            exec(QStringLiteral("drop table if exists async_sentinel"));
        }
        reference = QSqlDatabase();
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("mode");
        for (const QString &s : TestServers::available()) {
            if (s == QLatin1String("pg")) {
                QTest::newRow("pg default") << s << "default";
                QTest::newRow("pg standard_conforming_strings off") << s << "scs_off";
            } else {
                QTest::newRow("mysql default") << s << "default";
                QTest::newRow("mysql NO_BACKSLASH_ESCAPES") << s << "NO_BACKSLASH_ESCAPES";
                QTest::newRow("mysql ANSI_QUOTES") << s << "ANSI_QUOTES";
            }
        }
    }
    void roundTrip()
    {
        QFETCH(QString, server);
        QFETCH(QString, mode);
        useServer(server);
        const bool pg = server == QLatin1String("pg");
        exec(QStringLiteral("drop table if exists async_literals"));
        exec(QStringLiteral("drop table if exists async_sentinel"));
        QVERIFY(exec(pg ? QStringLiteral("create table async_literals (id int, t text, b bytea)")
                        : QStringLiteral("create table async_literals (id int, t longtext, b longblob)")));
        QVERIFY(exec(QStringLiteral("create table async_sentinel (id int)")));
        QVERIFY(exec(QStringLiteral("insert into async_sentinel values (1)")));
        const auto restore = qScopeGuard(setMode(server, mode));

        QVector<Value> values;
        const QStringList texts = hostileTexts();
        const QList<QByteArray> bytes = hostileBytes();
        for (int i = 0; i < qMax(texts.size(), bytes.size()); ++i)
            values << Value{texts.value(i % texts.size()), bytes.value(i % bytes.size())};
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("random seed %u", seed);
        QRandomGenerator rng(seed);
        for (int i = 0; i < randomRows; ++i) {
            const QString t = randomText(rng, !pg);
            values << Value{t, randomBytes(rng)};
        }

        AsyncDatabase service(nullptr, TestServers::url(server));
        AsyncRecorder recorder(&service);
        std::vector<std::unique_ptr<AsyncSqlQuery>> inserts;
        for (int from = 0; from < values.size(); from += rowsPerStatement) {
            const int n = qMin(rowsPerStatement, values.size() - from);
            QStringList rows;
            for (int i = 0; i < n; ++i)
                rows << QStringLiteral("(?, ?, ?)");
            auto query = std::make_unique<AsyncSqlQuery>(
                &service, QStringLiteral("insert into async_literals (id, t, b) values ") + rows.join(','));
            for (int i = from; i < from + n; ++i) {
                query->addBindValue(i);
                query->addBindValue(values.at(i).text);
                query->addBindValue(values.at(i).bytes);
            }
            recorder.watch(query.get());
            service.execQuery(query.get());
            inserts.push_back(std::move(query));
        }
        // lastInsertId and finished for every statement, in submission order.
        // lastInsertId and finished for every statement, in submission order;
        // an error ends the wait at once.
        QVERIFY(recorder.waitUntil([&] {
            return recorder.outcomes.size() >= 2 * int(inserts.size())
                   || recorder.count(QStringLiteral("error")) > 0;
        }, 60000));
        for (const auto &o : recorder.outcomes)
            QVERIFY2(o.signal != QLatin1String("error"), qPrintable(o.error));
        for (size_t i = 0; i < inserts.size(); ++i)
            QCOMPARE(recorder.outcomes.at(int(2 * i + 1)).query, inserts[i].get());

        auto select = std::make_unique<AsyncSqlQuery>(
            &service, QStringLiteral("select id, t, b from async_literals order by id"));
        const AsyncRecorder::Outcome got = recorder.run(&service, select.get(), 60000);
        QCOMPARE(got.signal, QStringLiteral("finished"));
        QCOMPARE(got.rows.size(), values.size());
        for (int i = 0; i < values.size(); ++i) {
            const QVariantList row = got.rows.at(i).toList();
            QCOMPARE(row.at(0).toInt(), i);
            const Value &want = values.at(i);
            QCOMPARE(row.at(1).isNull(), want.text.isNull());
            if (row.at(1).toString() != want.text.toString())
                QFAIL(qPrintable(QStringLiteral("text of row %1 differs (%2 characters sent, %3 back)")
                                     .arg(i).arg(want.text.toString().size()).arg(row.at(1).toString().size())));
            if (row.at(2).toByteArray() != want.bytes.toByteArray())
                QFAIL(qPrintable(QStringLiteral("bytes of row %1 differ").arg(i)));
        }
        QCOMPARE(scalar(QStringLiteral("select count(*) from async_sentinel")), QStringLiteral("1"));
        QVERIFY(recorder.databaseErrors.isEmpty());

        // NUL in text: stored as given where the dialect can, refused clearly
        // (and nothing written) where it cannot.
        auto nul = std::make_unique<AsyncSqlQuery>(&service,
                                                   QStringLiteral("insert into async_literals (id, t) values (?, ?)"));
        nul->addBindValue(-1);
        nul->addBindValue(QString::fromUtf8("a\0b", 3));
        const AsyncRecorder::Outcome nulDone = recorder.run(&service, nul.get());
        const QString stored = scalar(QStringLiteral("select count(*) from async_literals where id = -1"));
        if (pg) {
            QCOMPARE(nulDone.signal, QStringLiteral("error"));
            QVERIFY2(nulDone.error.contains(QLatin1String("NUL")), qPrintable(nulDone.error));
            QCOMPARE(stored, QStringLiteral("0"));
            QCOMPARE(recorder.queryErrors.size(), 1);
        } else {
            QCOMPARE(nulDone.signal, QStringLiteral("finished"));
            QCOMPARE(scalar(QStringLiteral("select hex(t) from async_literals where id = -1")),
                     QStringLiteral("610062"));
        }
    }

    // The writer learns the mode of its connection again after the server
    // dropped it, and after a SET sent through the service itself.
    void modeLearntAgain_data()
    {
        TestServers::addServerRows();
    }
    void modeLearntAgain()
    {
        QFETCH(QString, server);
        useServer(server);
        const bool pg = server == QLatin1String("pg");
        const QString value = QStringLiteral("a\\'b\\\\c\\");
        AsyncDatabase service(nullptr, TestServers::url(server));
        AsyncRecorder recorder(&service);
        QCOMPARE(echo(service, recorder, value).toString(), value);

        {
            const auto restore = qScopeGuard(setMode(server, pg ? QStringLiteral("scs_off")
                                                                : QStringLiteral("NO_BACKSLASH_ESCAPES")));
            killServiceSessions(server);
            QCOMPARE(echo(service, recorder, value).toString(), value);
            auto ask = std::make_unique<AsyncSqlQuery>(
                &service, pg ? QStringLiteral("show standard_conforming_strings") : QStringLiteral("select @@sql_mode"));
            const AsyncRecorder::Outcome mode = recorder.run(&service, ask.get());
            const QString current = mode.rows.value(0).toList().value(0).toString();
            QVERIFY2(pg ? current == QLatin1String("off") : current.contains(QLatin1String("NO_BACKSLASH_ESCAPES")),
                     qPrintable(current));
        }

        // Back to the default through the service's own session.
        auto set = std::make_unique<AsyncSqlQuery>(
            &service, pg ? QStringLiteral("set standard_conforming_strings = on")
                         : QStringLiteral("set sql_mode = replace(@@sql_mode, 'NO_BACKSLASH_ESCAPES', '')"));
        QCOMPARE(recorder.run(&service, set.get()).signal, QStringLiteral("finished"));
        QCOMPARE(echo(service, recorder, value).toString(), value);
        QVERIFY(recorder.databaseErrors.isEmpty());
    }
};

QTEST_GUILESS_MAIN(AsyncLiteralsTest)
#include "tst_asyncliterals.moc"
