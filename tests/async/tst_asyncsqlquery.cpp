// The query object without a server: the literals bindings become and where
// its placeholders are, in each dialect and literal mode (the statements go
// to the servers in tst_asyncliterals).
#include "async/AsyncSqlQuery.h"
#include "sql/SqlLiteralWriter.h"

#include <QtTest>

class AsyncSqlQueryTest : public QObject
{
    Q_OBJECT

private slots:
    // Values fill the placeholders in order: a '?' in a literal, a quoted
    // name or a comment is none, as the server reads them. Once values are
    // bound their count must match (null: refused), and a value the server
    // could not hold is refused too. Before any run the query renders as for
    // MySQL in its default mode, and reset gives the (trimmed) template back.
    void bindings_data()
    {
        QTest::addColumn<QString>("templ");
        QTest::addColumn<QVariantList>("values");
        QTest::addColumn<QString>("dialect");
        QTest::addColumn<QString>("expected");
        const QString health = QStringLiteral("select date from dthealth where date between ? and ? and detectorid=?");
        const QVariantList healthValues{QDate(2024, 3, 1), QDate(2024, 3, 5), "3"};
        QTest::newRow("dates and text") << health << healthValues << "mysql"
                                        << "select date from dthealth where date between '2024-03-01' and "
                                           "'2024-03-05' and detectorid='3'";
        QTest::newRow("surplus value") << health << healthValues + QVariantList{9} << "mysql" << QString();
        QTest::newRow("fewer values") << "select ?, ?" << QVariantList{1} << "mysql" << QString();
        QTest::newRow("a value, no placeholder") << "  select `a` from t \n" << QVariantList{1} << "mysql" << QString();
        QTest::newRow("no value bound") << "select '{}'::jsonb ? 'a'" << QVariantList() << "pg"
                                        << "select '{}'::jsonb ? 'a'";
        QTest::newRow("'?' in a value") << "select ?, ?" << QVariantList{"a?b", 1} << "mysql" << "select 'a?b', 1";
        QTest::newRow("numbers") << "select ?, ?, ?" << QVariantList{-7LL, 2.5, true} << "mysql" << "select -7, 2.5, TRUE";
        QTest::newRow("time, date-time")
            << "select ?, ?" << QVariantList{QTime(7, 8, 9), QDateTime(QDate(2024, 3, 5), QTime(17, 0, 1))} << "mysql"
            << "select '07:08:09', '2024-03-05 17:00:01'";
        QTest::newRow("null, empty, quote") << "select ?, ?, ?, ?" << QVariantList{QString(), QDate(), "", "it's"}
                                            << "mysql" << "select NULL, NULL, '', 'it''s'";
        QTest::newRow("list as text") << "select ?" << QVariantList{QStringList{"1; drop table t"}} << "mysql"
                                      << "select '1; drop table t'";
        QTest::newRow("infinite") << "select ?" << QVariantList{qInf()} << "mysql" << QString();
        QTest::newRow("half a surrogate") << "select ?" << QVariantList{QString(QChar(0xD800))} << "mysql" << QString();

        QTest::newRow("mysql: literals, names, comments")
            << "select ?, '?', \"?\", `?`, 'it''s ?', `a``?`, ? -- ?\n# ?\n/* ? */ ?" << QVariantList{1, 2, 3}
            << "mysql" << "select 1, '?', \"?\", `?`, 'it''s ?', `a``?`, 2 -- ?\n# ?\n/* ? */ 3";
        QTest::newRow("mysql: a backslash escapes the quote") << "select 'a\\'?', \"b\\\"?\", ?" << QVariantList{1}
                                                             << "mysql" << "select 'a\\'?', \"b\\\"?\", 1";
        QTest::newRow("mysql: an escaped quote leaves the literal open") << "select 'a\\', ?" << QVariantList{1}
                                                                        << "mysql" << QString();
        QTest::newRow("mysql NO_BACKSLASH_ESCAPES: a backslash is a character")
            << "select 'a\\', ?" << QVariantList{1} << "mysql strict" << "select 'a\\', 1";
        QTest::newRow("mysql: dashes without a blank") << "select ?--?" << QVariantList{1, 2} << "mysql"
                                                      << "select 1--2";
        QTest::newRow("pg: literals, names, comments")
            << "select ?, '?', \"?\", `?`, E'\\'?', e'?\\'', $$?$$, $t$ ? $t$, ? -- ?\n/* ? /* ? */ ? */ ? # ?"
            << QVariantList{1, 2, 3, 4} << "pg"
            << "select 1, '?', \"?\", `?`, E'\\'?', e'?\\'', $$?$$, $t$ ? $t$, 2 -- ?\n/* ? /* ? */ ? */ 3 # 4";
        QTest::newRow("pg: standard strings") << "select 'a\\', ?" << QVariantList{1} << "pg" << "select 'a\\', 1";
        QTest::newRow("pg: standard_conforming_strings off") << "select 'a\\', ?" << QVariantList{1} << "pg escapes"
                                                            << QString();
        QTest::newRow("pg: parameters and names with $") << "select $1, a$b$, ?" << QVariantList{5} << "pg"
                                                        << "select $1, a$b$, 5";
        QTest::newRow("pg: a comment left open") << "select ? /* ?" << QVariantList{1} << "pg" << "select 1 /* ?";
    }
    void bindings()
    {
        QFETCH(QString, templ);
        QFETCH(QVariantList, values);
        QFETCH(QString, dialect);
        QFETCH(QString, expected);
        const SqlLiteralWriter writer(dialect.startsWith("pg") ? SqlLiteralWriter::PostgreSql : SqlLiteralWriter::MySql,
                                      dialect == "mysql" || dialect == "pg escapes");
        QString statement, error;
        const bool rendered = AsyncSqlQuery::render(templ.trimmed(), values, writer, &statement, &error);
        QCOMPARE(rendered, !expected.isNull());
        QVERIFY(rendered ? statement == expected : !error.isEmpty());
        if (dialect != "mysql")
            return;
        AsyncSqlQuery query(nullptr, templ);
        for (const QVariant &value : values)
            query.addBindValue(value);
        QCOMPARE(query.text(), rendered ? expected : templ.trimmed());
        query.resetBindings();
        QCOMPARE(query.text(), templ.trimmed());
    }
};

QTEST_GUILESS_MAIN(AsyncSqlQueryTest)
#include "tst_asyncsqlquery.moc"
