// Values bound to '?' reach the server exactly as given, in both dialects
// and in the modes a real server may be set to: random texts and bytes and
// the classic hostile values are inserted through the service and selected
// back, byte for byte; nothing bound ever changes the statement.
#include "AsyncRecorder.h"
#include "TestServers.h"

#include <QtSql>
#include <QtTest>

namespace {

// Hostile and plain ASCII, Cyrillic, CJK, emoji, control characters (NUL
// where the dialect takes it).
QString randomText(QRandomGenerator &rng, bool nulAllowed)
{
    static const QString hostile = QStringLiteral("'\"\\?`;-/*%_$\n\r\t ");
    QVector<uint> s;
    for (int i = rng.bounded(20) == 0 ? rng.bounded(3000) : rng.bounded(60); i > 0; --i) {
        const uint choices[] = {hostile.at(rng.bounded(hostile.size())).unicode(), 0x20 + rng.bounded(95u),
                                0x410 + rng.bounded(64u), 0x4E00 + rng.bounded(2000u), 0x1F600 + rng.bounded(80u),
                                uint(rng.bounded(nulAllowed ? 0 : 1, 32))};
        s << choices[rng.bounded(6)];
    }
    return QString::fromUcs4(s.constData(), s.size());
}

QByteArray randomBytes(QRandomGenerator &rng)
{
    QByteArray b(rng.bounded(20) == 0 ? rng.bounded(5000) : rng.bounded(64), Qt::Uninitialized);
    for (char &c : b)
        c = char(rng.bounded(256));
    return b;
}

const QStringList hostileTexts{
    "'", "''", "\\", "\\'", "'\\", "\\\\'", "?", "?\?'?", "' or '1'='1", "'); drop table async_sentinel; --",
    "\\'); drop table async_sentinel; -- ", "\\''); drop table async_sentinel; #", "\" or \"\"=\"", "`",
    "``; drop table async_sentinel", "$$", "$x$'$x$", "/*", "*/", "--", "\n", "\r\n", "\t", "E'\\x41'", "x'41'",
    "\\x41", "%_\\%\\_", "\\0\\Z\\b\\n\\r\\t", "\xe2\x80\x99 \xca\xbc", "Привет, мир", "日本語", "\xf0\x9f\x98\x80", "",
    QString(), QString(1 << 20, QLatin1Char('a')) + "'\\?"};

} // namespace

class AsyncLiteralsTest : public QObject
{
    Q_OBJECT

    QSqlDatabase reference;

    QString scalar(const QString &text) { return TestServers::scalar(reference, text); }

    // Puts the server in `mode` for new sessions; the guard puts it back.
    std::function<void()> setMode(bool pg, const QString &mode)
    {
        if (mode == QLatin1String("default"))
            return [] {};
        if (pg) {
            scalar(QStringLiteral("alter role lumo set standard_conforming_strings = off"));
            return [this] { scalar(QStringLiteral("alter role lumo reset standard_conforming_strings")); };
        }
        const QString old = scalar(QStringLiteral("select @@global.sql_mode"));
        scalar(QStringLiteral("set global sql_mode = '%1'").arg(old.isEmpty() ? mode : old + ',' + mode));
        return [this, old] { scalar(QStringLiteral("set global sql_mode = '%1'").arg(old)); };
    }

    static QString echo(AsyncDatabase &service, AsyncRecorder &recorder, const QString &value)
    {
        AsyncSqlQuery query(&service, QStringLiteral("select ?"));
        query.addBindValue(value);
        const AsyncRecorder::Outcome o = recorder.run(&service, &query);
        return o.rows.size() == 1 ? o.rows.first().toList().value(0).toString() : o.signal + o.error;
    }

private slots:
    void initTestCase() { SKIP_WITHOUT_SERVERS(); }

    void cleanup()
    {
        if (reference.isOpen())
            scalar(QStringLiteral("drop table if exists async_literals"));
        reference = QSqlDatabase();
    }

    // Also: the writer learns the mode of its session again after a SET
    // sent through the service and after reconnecting.
    void roundTrip_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("mode");
        for (const QString &s : TestServers::available()) {
            for (const QString &mode : s == QLatin1String("pg")
                                           ? QStringList{"default", "standard_conforming_strings off"}
                                           : QStringList{"default", "NO_BACKSLASH_ESCAPES", "ANSI_QUOTES"})
                QTest::addRow("%s %s", qPrintable(s), qPrintable(mode)) << s << mode;
        }
    }
    void roundTrip()
    {
        QFETCH(QString, server);
        QFETCH(QString, mode);
        const bool pg = server == QLatin1String("pg");
        reference = TestServers::connection(server, QStringLiteral("reference") + mode);
        QVERIFY2(reference.open(), qPrintable(reference.lastError().text()));
        scalar(QStringLiteral("drop table if exists async_literals"));
        scalar(pg ? QStringLiteral("create table async_literals (id int, t text, b bytea)")
                  : QStringLiteral("create table async_literals (id int, t longtext, b longblob)"));
        const auto restore = qScopeGuard(setMode(pg, mode));

        QByteArray all(256, Qt::Uninitialized);
        for (int i = 0; i < 256; ++i)
            all[i] = char(i);
        QByteArray big(1 << 20, '\\');
        big[1000] = '\'';
        const QList<QByteArray> hostileBytes{"", "\\x00", "'", "\\", QByteArray(1, '\0'), all, big};
        QVariantList texts, bytes;
        for (int i = 0; i < hostileTexts.size(); ++i) {
            texts << hostileTexts.at(i);
            bytes << hostileBytes.at(i % hostileBytes.size());
        }
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("random seed %u", seed);
        QRandomGenerator rng(seed);
        while (texts.size() < 5000) {
            texts << randomText(rng, !pg);
            bytes << randomBytes(rng);
        }

        AsyncDatabase service(nullptr, TestServers::url(server));
        AsyncRecorder recorder(&service);
        for (int from = 0; from < texts.size(); from += 100) {
            auto *query = new AsyncSqlQuery(&service, "insert into async_literals (id, t, b) values "
                                                          + QString("(?, ?, ?),").repeated(100).chopped(1));
            for (int i = from; i < from + 100; ++i) {
                query->addBindValue(i);
                query->addBindValue(texts.at(i));
                query->addBindValue(bytes.at(i));
            }
            recorder.watch(query);
            service.execQuery(query);
        }
        QVERIFY(recorder.waitUntil([&] { return recorder.count("finished") == 50 || recorder.count("error") > 0; }, 60000));
        QVERIFY2(recorder.count("error") == 0, qPrintable(recorder.queryErrors.value(0)));
        AsyncSqlQuery select(&service, QStringLiteral("select id, t, b from async_literals order by id"));
        const AsyncRecorder::Outcome got = recorder.run(&service, &select, 60000);
        QCOMPARE(got.rows.size(), texts.size());
        for (int i = 0; i < texts.size(); ++i) {
            const QVariantList row = got.rows.at(i).toList();
            QCOMPARE(row.at(0).toInt(), i);
            QCOMPARE(row.at(1).isNull(), texts.at(i).isNull());
            if (row.at(1).toString() != texts.at(i).toString() || row.at(2).toByteArray() != bytes.at(i).toByteArray())
                QFAIL(qPrintable(QStringLiteral("row %1 differs").arg(i)));
        }

        // NUL in text: stored as given where the dialect can, refused clearly
        // (and nothing written) where it cannot.
        AsyncSqlQuery nul(&service, QStringLiteral("insert into async_literals (id, t) values (-1, ?)"));
        nul.addBindValue(QString::fromUtf8("a\0b", 3));
        const AsyncRecorder::Outcome nulDone = recorder.run(&service, &nul);
        QCOMPARE(nulDone.signal, pg ? QStringLiteral("error") : QStringLiteral("finished"));
        QVERIFY2(!pg || nulDone.error.contains(QLatin1String("NUL")), qPrintable(nulDone.error));
        QCOMPARE(scalar(pg ? QStringLiteral("select count(*) from async_literals where id = -1")
                           : QStringLiteral("select hex(t) from async_literals where id = -1")),
                 pg ? QStringLiteral("0") : QStringLiteral("610062"));

        // A '?' in the template's literals and comments is no placeholder,
        // also after a quote escaped as the session reads it; values that do
        // not match the placeholders are refused and nothing is sent.
        const bool escapes = pg ? mode != QLatin1String("default") : mode != QLatin1String("NO_BACKSLASH_ESCAPES");
        AsyncSqlQuery marks(&service, QStringLiteral("insert into async_literals (id, t) values (-2 /* ? */, "
                                                     "concat(?, '?', %1, ?)) -- ?")
                                          .arg(escapes ? QStringLiteral("'it\\'s ?'") : QStringLiteral("'it''s ?'")));
        marks.addBindValue(QStringLiteral("a'?\\"));
        marks.addBindValue(QStringLiteral("--?"));
        QCOMPARE(recorder.run(&service, &marks).signal, QStringLiteral("finished"));
        QCOMPARE(scalar(QStringLiteral("select t from async_literals where id = -2")), QStringLiteral("a'?\\?it's ?--?"));
        AsyncSqlQuery surplus(&service, QStringLiteral("insert into async_literals (id, t) values (-3, '?')"));
        surplus.addBindValue(QStringLiteral("x"));
        const AsyncRecorder::Outcome refused = recorder.run(&service, &surplus);
        QVERIFY2(refused.signal == "error" && refused.error.contains("placeholders"), qPrintable(refused.error));
        QCOMPARE(scalar(QStringLiteral("select count(*) from async_literals where id = -3")), QStringLiteral("0"));

        const QString value = QStringLiteral("a\\'b\\\\c\\");
        AsyncSqlQuery toggle(&service, pg ? QStringLiteral("set standard_conforming_strings = off")
                                          : QStringLiteral("set sql_mode = if(@@sql_mode like '%NO_BACKSLASH_ESCAPES%', "
                                                           "replace(@@sql_mode, 'NO_BACKSLASH_ESCAPES', ''), "
                                                           "concat(@@sql_mode, ',NO_BACKSLASH_ESCAPES'))"));
        QCOMPARE(recorder.run(&service, &toggle).signal, QStringLiteral("finished"));
        QCOMPARE(echo(service, recorder, value), value);
        service.setUrl(TestServers::url(server));
        QCOMPARE(echo(service, recorder, value), value);
        QVERIFY(recorder.databaseErrors.isEmpty());
    }
};

QTEST_GUILESS_MAIN(AsyncLiteralsTest)
#include "tst_asyncliterals.moc"
