// What the statements' round trips on the servers cannot show: hostile
// detector lists, the back-quote rewrite around literals and comments, and
// the box statistics of a few values.
#include "database/BoxStatistics.h"
#include "database/RequestStatements.h"
#include "database/SqlDialect.h"

#include <QTest>

class RequestStatementsTest : public QObject
{
    Q_OBJECT

private slots:
    void selectionIsSanitised()
    {
        QCOMPARE(RequestStatements::detectorSelection("1+2; drop table events", 1).condition, QString("detectorid =1"));
        QCOMPARE(RequestStatements::detectorSelection("x", 1).condition, QString("detectorid in (NULL)"));
        QCOMPARE(RequestStatements::valueColumn(-1), QString("intensity"));
    }

    void identifierQuoting_data()
    {
        QTest::addColumn<QString>("driver");
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("sent");
        QTest::newRow("mysql") << "QMYSQL" << "select `time` from t where a='`'" << "select `time` from t where a='`'";
        QTest::newRow("literal") << "QPSQL" << "select `a` from t where b='x`y' and `c`='it''s `d`'"
                                 << "select \"a\" from t where b='x`y' and \"c\"='it''s `d`'";
        QTest::newRow("escaped literal") << "QPSQL" << "select E'a\\\\`', `b`" << "select E'a\\\\`', \"b\"";
        QTest::newRow("quoted name") << "QPSQL" << "select \"it's\", `a`" << "select \"it's\", \"a\"";
        QTest::newRow("comments") << "QPSQL" << "select `a` -- don't `b`\nfrom /* `c' */ `d`"
                                  << "select \"a\" -- don't `b`\nfrom /* `c' */ \"d\"";
    }
    void identifierQuoting()
    {
        QFETCH(QString, driver);
        QFETCH(QString, statement);
        QFETCH(QString, sent);
        QCOMPARE(SqlDialect::forDriver(driver).quoteIdentifiers(statement), sent);
    }

    void hinges_data()
    {
        QTest::addColumn<QVector<double>>("values");
        QTest::addColumn<QVector<double>>("expected"); // median, min, max, Q1, Q3
        QTest::newRow("one") << QVector<double>{7} << QVector<double>{7, 7, 7, 7, 7};
        QTest::newRow("two") << QVector<double>{1, 3} << QVector<double>{2, 1, 3, 1, 3};
        QTest::newRow("three") << QVector<double>{1, 2, 4} << QVector<double>{2, 1, 4, 1.5, 3};
        QTest::newRow("four") << QVector<double>{1, 2, 3, 4} << QVector<double>{2.5, 1, 4, 1.5, 3.5};
        QTest::newRow("five") << QVector<double>{1, 2, 3, 4, 5} << QVector<double>{3, 1, 5, 2, 4};
    }
    void hinges()
    {
        QFETCH(QVector<double>, values);
        QFETCH(QVector<double>, expected);
        const BoxStatistics s = BoxStatistics::fromSorted(values);
        QCOMPARE((QVector<double>{s.median, s.min, s.max, s.q1, s.q3}), expected);
    }
};

QTEST_APPLESS_MAIN(RequestStatementsTest)
#include "tst_requeststatements.moc"
