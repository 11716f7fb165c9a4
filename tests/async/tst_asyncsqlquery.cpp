// The query object without a server: how it is classified, how bindings
// fill its placeholders and which literal each value becomes in each
// dialect and mode.
#include "async/AsyncDatabase.h"
#include "async/AsyncSqlQuery.h"
#include "async/SqlLiteralWriter.h"

#include <QtTest>

class AsyncSqlQueryTest : public QObject
{
    Q_OBJECT

    static QString literal(const SqlLiteralWriter &writer, const QVariant &value)
    {
        return writer.literal(value);
    }

private slots:
    void classification_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("modifying");
        QTest::newRow("insert caps") << "INSERT into t values (1)" << true;
        QTest::newRow("mixed update") << "uPdAtE t set a=1" << true;
        QTest::newRow("delete") << "delete from t" << true;
        QTest::newRow("blanks before update") << "  update t set a=1" << false;
        QTest::newRow("select") << "select 1" << false;
        QTest::newRow("empty") << "" << false;
    }
    void classification()
    {
        QFETCH(QString, text);
        QFETCH(bool, modifying);
        AsyncSqlQuery query(nullptr, text);
        QCOMPARE(query.isModifying(), modifying);
    }

    // The health history template: two dates and a string in order; reset
    // gives the template back; surplus values change nothing.
    void bindingAndReset()
    {
        const QString tmpl = QStringLiteral(
            "select date,health from dthealth where date between ? and ? and objectid=7 and detectorid=?");
        AsyncSqlQuery query(nullptr, QStringLiteral("  ") + tmpl + QStringLiteral(" \n"));
        QCOMPARE(query.text(), tmpl);
        query.addBindValue(QDate(2024, 3, 1));
        query.addBindValue(QDate(2024, 3, 5));
        query.addBindValue(QStringLiteral("3"));
        query.addBindValue(99);
        QCOMPARE(query.text(),
                 QStringLiteral("select date,health from dthealth where date between '2024-03-01' and "
                                "'2024-03-05' and objectid=7 and detectorid='3'"));
        query.resetBindings();
        QCOMPARE(query.text(), tmpl);

        // A bound value holding '?' is not taken for the next placeholder.
        AsyncSqlQuery two(nullptr, QStringLiteral("select ?, ?"));
        two.addBindValue(QStringLiteral("a?b"));
        two.addBindValue(1);
        QCOMPARE(two.text(), QStringLiteral("select 'a?b', 1"));

        // Fewer values leave the rest of the placeholders in the text.
        AsyncSqlQuery few(nullptr, QStringLiteral("select ?, ?"));
        few.addBindValue(1);
        QCOMPARE(few.text(), QStringLiteral("select 1, ?"));

        // Without placeholders neither binding nor reset changes anything.
        AsyncSqlQuery plain(nullptr, QStringLiteral("select `a` from t"));
        plain.addBindValue(1);
        plain.resetBindings();
        QCOMPARE(plain.text(), QStringLiteral("select `a` from t"));
    }

    void literalsCommonToAllModes()
    {
        const QVector<SqlLiteralWriter> writers = {
            SqlLiteralWriter(), SqlLiteralWriter(SqlLiteralWriter::MySql, false),
            SqlLiteralWriter(SqlLiteralWriter::PostgreSql, false),
            SqlLiteralWriter(SqlLiteralWriter::PostgreSql, true)};
        for (const SqlLiteralWriter &w : writers) {
            QCOMPARE(literal(w, 42), QStringLiteral("42"));
            QCOMPARE(literal(w, -7LL), QStringLiteral("-7"));
            QCOMPARE(literal(w, 2.5), QStringLiteral("2.5"));
            QCOMPARE(literal(w, QStringLiteral("abc")), QStringLiteral("'abc'"));
            QCOMPARE(literal(w, QString("")), QStringLiteral("''"));
            QCOMPARE(literal(w, QString()), QStringLiteral("NULL"));
            QCOMPARE(literal(w, QVariant()), QStringLiteral("NULL"));
            QCOMPARE(literal(w, QDate()), QStringLiteral("NULL"));
            QCOMPARE(literal(w, QDate(2024, 3, 5)), QStringLiteral("'2024-03-05'"));
            QCOMPARE(literal(w, QTime(7, 8, 9)), QStringLiteral("'07:08:09'"));
            QCOMPARE(literal(w, QDateTime(QDate(2024, 3, 5), QTime(17, 0, 1))),
                     QStringLiteral("'2024-03-05 17:00:01'"));
            QCOMPARE(literal(w, QStringLiteral("it's")), QStringLiteral("'it''s'"));
            QCOMPARE(literal(w, true), QStringLiteral("TRUE"));
            // Types without a literal of their own travel as quoted text.
            QCOMPARE(literal(w, QStringList{QStringLiteral("1; drop table t")}),
                     QStringLiteral("'1; drop table t'"));
            QString why;
            QVERIFY(w.literal(qInf(), &why).isEmpty());
            QVERIFY(!why.isEmpty());
        }
    }

    void literalsByDialectAndMode()
    {
        const QString backslash = QStringLiteral("a\\'b");
        const QByteArray bytes("\x01\xab", 2);

        const SqlLiteralWriter mysql;
        QCOMPARE(literal(mysql, backslash), QStringLiteral("'a\\\\''b'"));
        QCOMPARE(literal(mysql, bytes), QStringLiteral("x'01ab'"));
        QCOMPARE(literal(mysql, QString::fromUtf8("a\0b", 3)), QStringLiteral("'a\\0b'"));

        const SqlLiteralWriter mysqlNoEscapes(SqlLiteralWriter::MySql, false);
        QCOMPARE(literal(mysqlNoEscapes, backslash), QStringLiteral("'a\\''b'"));

        // PostgreSQL: the same forms whatever standard_conforming_strings is.
        const SqlLiteralWriter pg(SqlLiteralWriter::PostgreSql, false);
        const SqlLiteralWriter pgEscapes(SqlLiteralWriter::PostgreSql, true);
        for (const SqlLiteralWriter &w : {pg, pgEscapes}) {
            QCOMPARE(literal(w, backslash), QStringLiteral("E'a\\\\''b'"));
            QCOMPARE(literal(w, bytes), QStringLiteral("E'\\\\x01ab'::bytea"));
            QCOMPARE(literal(w, QByteArray("")), QStringLiteral("E'\\\\x'::bytea"));
        }

        // PostgreSQL text cannot hold NUL: a clear refusal, never a cut.
        QString why;
        QVERIFY(pg.literal(QString::fromUtf8("a\0b", 3), &why).isEmpty());
        QVERIFY(why.contains(QLatin1String("NUL")));
        // Half a surrogate pair is no text any server could store.
        QVERIFY(mysql.literal(QString(QChar(0xD800)), &why).isEmpty());
    }

    void sessionModeStatements()
    {
        QVERIFY(SqlLiteralWriter::changesSessionMode(QStringLiteral("  SET sql_mode='ANSI'")));
        QVERIFY(SqlLiteralWriter::changesSessionMode(QStringLiteral("set\tstandard_conforming_strings=off")));
        QVERIFY(SqlLiteralWriter::changesSessionMode(QStringLiteral("set@@sql_mode=''")));
        QVERIFY(SqlLiteralWriter::changesSessionMode(
            QStringLiteral("select 1; set session sql_mode = 'NO_BACKSLASH_ESCAPES'")));
        QVERIFY(SqlLiteralWriter::changesSessionMode(
            QStringLiteral("select set_config('standard_conforming_strings', 'off', false)")));
        QVERIFY(!SqlLiteralWriter::changesSessionMode(QStringLiteral("settle")));
        QVERIFY(!SqlLiteralWriter::changesSessionMode(QStringLiteral("select 1")));
    }

    // What the host reaches by name: the service's meta-object, in order,
    // with its parameter names.
    void serviceMetaObject()
    {
        const QMetaObject &meta = AsyncDatabase::staticMetaObject;
        QStringList methods;
        for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
            const QMetaMethod m = meta.method(i);
            QStringList names;
            for (const QByteArray &name : m.parameterNames())
                names << QString::fromLatin1(name);
            methods << QStringLiteral("%1 %2 %3").arg(m.methodType()).arg(QString::fromLatin1(m.methodSignature()),
                                                                          names.join(QLatin1Char(',')));
        }
        QCOMPARE(methods, (QStringList{
                              "1 queryError(AsyncSqlQuery*,QString) query,msg", "1 databaseError(QString) msg",
                              "2 stop() ", "0 execQuery(AsyncSqlQuery*) query", "0 execQuery(QObject*) query",
                              "0 execQuery(QString) text", "0 newQuery(QString,bool) query_text,autoRemove",
                              "0 newQuery(QString) query_text", "0 newQuery() ", "0 clearQueriesQueue() ",
                              "0 clone() "}));
        QCOMPARE(meta.propertyCount() - meta.propertyOffset(), 2);
        QVERIFY(meta.property(meta.indexOfProperty("dumpFileName")).isWritable());
        QVERIFY(!meta.property(meta.indexOfProperty("driverName")).isWritable());

        const QMetaObject &query = AsyncSqlQuery::staticMetaObject;
        QCOMPARE(query.methodCount() - query.methodOffset(), 3);
        QCOMPARE(query.method(query.methodOffset()).methodSignature(), QByteArray("finished(QVariantList)"));
        QCOMPARE(query.method(query.methodOffset() + 1).methodSignature(), QByteArray("lastInsertId(QVariant)"));
        QCOMPARE(query.method(query.methodOffset() + 2).methodSignature(), QByteArray("error(QString)"));
    }

    // Through the service's invokables, without running anything.
    void serviceWithoutServer()
    {
        QObject parent;
        AsyncDatabase service(&parent, QStringLiteral("//u:p@127.0.0.1:1/QPSQL/x"));
        QCOMPARE(service.driverName(), QStringLiteral("QPSQL"));
        QTest::ignoreMessage(QtCriticalMsg, "/QPSQL/x/y - Invalid url format");
        QVERIFY(!service.setUrl(QStringLiteral("//h/QPSQL/x/y")));
        QVERIFY(!service.setUrl(QString()));
        QCOMPARE(service.property("url").toString(), QStringLiteral("//u:p@127.0.0.1:1/QPSQL/x"));
        QVERIFY(service.setUrl(QStringLiteral("//h//QMYSQL///db/")));
        QCOMPARE(service.driverName(), QStringLiteral("QMYSQL"));

        QObject *made = nullptr;
        QVERIFY(QMetaObject::invokeMethod(&service, "newQuery", Q_RETURN_ARG(QObject *, made),
                                          Q_ARG(QString, QStringLiteral("select 1"))));
        QVERIFY(qobject_cast<AsyncSqlQuery *>(made));
        QCOMPARE(made->parent(), &service);

        service.setDumpFileName(QStringLiteral("/tmp/x.dump"));
        AsyncDatabase *copy = service.clone();
        QCOMPARE(copy->parent(), &parent);
        QCOMPARE(copy->dumpFileName(), QString());
        QCOMPARE(copy->property("url").toString(), QStringLiteral("//h//QMYSQL///db/"));
    }
};

QTEST_GUILESS_MAIN(AsyncSqlQueryTest)
#include "tst_asyncsqlquery.moc"
