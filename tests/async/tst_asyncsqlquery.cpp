// The query object without a server: the literals bindings become before
// the first connection (the dialects' own forms go to the servers in
// tst_asyncliterals).
#include "async/AsyncSqlQuery.h"

#include <QtTest>

class AsyncSqlQueryTest : public QObject
{
    Q_OBJECT

private slots:
    // Values fill the placeholders in order; surplus ones change nothing,
    // missing ones leave '?'; a value the server could not hold leaves the
    // statement unrendered; reset gives the (trimmed) template back.
    void bindings_data()
    {
        QTest::addColumn<QString>("templ");
        QTest::addColumn<QVariantList>("values");
        QTest::addColumn<QString>("expected");
        const QString health = QStringLiteral("select date from dthealth where date between ? and ? and detectorid=?");
        QTest::newRow("dates and text, surplus") << health << QVariantList{QDate(2024, 3, 1), QDate(2024, 3, 5), "3", 9}
                                                 << "select date from dthealth where date between '2024-03-01' and "
                                                    "'2024-03-05' and detectorid='3'";
        QTest::newRow("'?' in a value") << "select ?, ?" << QVariantList{"a?b", 1} << "select 'a?b', 1";
        QTest::newRow("fewer values") << "select ?, ?" << QVariantList{1} << "select 1, ?";
        QTest::newRow("no placeholder") << "  select `a` from t \n" << QVariantList{1} << "select `a` from t";
        QTest::newRow("numbers") << "select ?, ?, ?" << QVariantList{-7LL, 2.5, true} << "select -7, 2.5, TRUE";
        QTest::newRow("time, date-time")
            << "select ?, ?" << QVariantList{QTime(7, 8, 9), QDateTime(QDate(2024, 3, 5), QTime(17, 0, 1))}
            << "select '07:08:09', '2024-03-05 17:00:01'";
        QTest::newRow("null, empty, quote") << "select ?, ?, ?, ?" << QVariantList{QString(), QDate(), "", "it's"}
                                            << "select NULL, NULL, '', 'it''s'";
        QTest::newRow("list as text") << "select ?" << QVariantList{QStringList{"1; drop table t"}}
                                      << "select '1; drop table t'";
        QTest::newRow("infinite") << "select ?" << QVariantList{qInf()} << "select ?";
        QTest::newRow("half a surrogate") << "select ?" << QVariantList{QString(QChar(0xD800))} << "select ?";
    }
    void bindings()
    {
        QFETCH(QString, templ);
        QFETCH(QVariantList, values);
        AsyncSqlQuery query(nullptr, templ);
        for (const QVariant &value : values)
            query.addBindValue(value);
        QTEST(query.text(), "expected");
        query.resetBindings();
        QCOMPARE(query.text(), templ.trimmed());
    }
};

QTEST_GUILESS_MAIN(AsyncSqlQueryTest)
#include "tst_asyncsqlquery.moc"
