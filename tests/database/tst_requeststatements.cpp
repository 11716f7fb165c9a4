#include "database/BoxStatistics.h"
#include "database/RequestStatements.h"
#include "database/SqlDialect.h"

#include <QTest>

class RequestStatementsTest : public QObject
{
    Q_OBJECT

private slots:
    void phases()
    {
        const QStringList s = RequestStatements(false).phases(5, QDate(2024, 3, 1), QDate(2024, 3, 2), false);
        QCOMPARE(s, (QStringList{
            "select `time`,phaseid,length from phasesdata where objectid=5 and `time` >= "
            "'2024-03-01' and `time` < '2024-03-02' order by `time`,phaseid",
            "select `time`,value from events where objectid=5 and `time` >= '2024-03-01' and "
            "`time` < '2024-03-02' and type=2 order by `time`"}));
        QVERIFY(RequestStatements(true).phases(5, {}, {}, true).first().contains("length+promtact"));
    }

    void logByGeneration()
    {
        const QDate from(2024, 3, 6), to(2024, 3, 7);
        const QString direct = RequestStatements(false).log(2, from, to, 0x3FFFF).first();
        QCOMPARE(direct, QString("select events.`time`,events.deviceTime,events.`type`,"
                                 "eventtypes.description,NULL,events.value,events.`data` \t\t\t\t\t\t"
                                 "FROM eventtypes INNER JOIN events ON eventtypes.id = events.type "
                                 "WHERE events.objectId = 2 \t\t\t\tand events.`time` >= '2024-03-06' and "
                                 "events.`time` < '2024-03-07' order by events.`time`,events.`index`"));
        QCOMPARE(RequestStatements(false).log(1, from, to, 0x5FFFF).first(),
                 QString("call ShowLog1(1,'2024-03-06','2024-03-07',393215)"));
        QCOMPARE(RequestStatements(true).log(1, from, to, 7).first(),
                 QString("select * from \"ShowLog1\"(1,'2024-03-06','2024-03-07',7)"));
    }

    void detectorDataOneDetector()
    {
        const QDate date(2024, 3, 6);
        const QStringList s = RequestStatements(false).dt15(9, "12", 1, 3, date, 1, false,
                                                            QDateTime(QDate(2025, 1, 1), QTime(8, 0)));
        QCOMPARE(s, (QStringList{
            "select cast(ADDTIME('2024-03-06 00:00:00',`time`) as datetime),occupancy from dt15p "
            "where objectid=9 and detectorid =12 and daytype=3  order by `time`",
            "select `time`,occupancy,state from dt15 where objectid=9 and detectorid =12 and "
            "`time` >= '2024-03-06' and `time` < '2024-03-07'  order by `time`",
            "select NULL,NULL from dt15 where false"}));
    }

    void detectorDataWeekOfSeveral()
    {
        const QDate monday(2024, 3, 4);
        const QStringList s = RequestStatements(true).dt15(1, "1+2", 0, 3, monday, 7, false,
                                                           QDateTime(QDate(2025, 1, 1), QTime(8, 0)));
        QCOMPARE(s.size(), 9);
        for (int i = 0; i < 7; ++i) {
            QVERIFY2(s.at(i).contains(QStringLiteral("daytype=%1 GROUP BY `time` order by datetime").arg(10 + i)),
                     qPrintable(s.at(i)));
            QVERIFY(s.at(i).contains("sum(intensity)"));
            QVERIFY(s.at(i).contains("detectorid in (1,2)"));
        }
        QCOMPARE(s.at(7), QString("select `time`,sum(intensity),case when count(state)>0 then bit_or(state) end from dt15 where objectid=1 and "
                                  "detectorid in (1,2) and `time` >= '2024-03-04' and `time` < "
                                  "'2024-03-11' GROUP BY `time` order by `time`"));
        QVERIFY(RequestStatements(true).dt15(1, "1+2", 2, 3, monday, 1, false, {}).first().contains("avg(speed)"));
    }

    void detectorDataRawAndToday()
    {
        const QDateTime now(QDate(2024, 3, 6), QTime(14, 37, 12));
        const QStringList s = RequestStatements(true).dt15(1, "4", 0, 1, now.date(), 1, true, now);
        QVERIFY(s.at(0).contains(",intensity from dt15p"));
        QVERIFY(s.at(1).contains("select `time`,cars*3600.0/nullif(`interval`,0) as intensity,state from detectorsdata"));
        QCOMPARE(s.at(2), QString("select `time` + interval '1 day',cars*3600.0/nullif(`interval`,0) as intensity "
                                  "from detectorsdata where objectid=1 and detectorid =4 and `time` "
                                  ">= '2024-03-05 14:30:00' and `time` < '2024-03-06'  order by `time`"));
        // Several raw detectors: the alias stays outside the sum.
        const QStringList several = RequestStatements(false).dt15(1, "1+2", 0, 1, now.date(), 1, true, {});
        QVERIFY(several.at(1).contains("sum(cars*3600.0/nullif(`interval`,0)) as intensity,case when count(state)>0 then bit_or(state) end"));
    }

    void selectionIsSanitised()
    {
        QCOMPARE(RequestStatements::valueColumn(5), QString("intensity"));
        QCOMPARE(RequestStatements::valueColumn(-1), QString("intensity"));
        const auto hostile = RequestStatements::detectorSelection("1+2; drop table events", 1);
        QCOMPARE(hostile.condition, QString("detectorid =1"));
        QCOMPARE(RequestStatements::detectorSelection("x", 1).condition, QString("detectorid in (NULL)"));
    }

    void statisticsWeeks()
    {
        const QDate wednesday(2024, 3, 6);
        const QStringList pg = RequestStatements(true).dtStat(1, "3", 0, 2, wednesday);
        // One range per Wednesday, the selected one included.
        QCOMPARE(pg.at(0), QString("SELECT `time`::time as tm,intensity FROM dt15 WHERE objectid=1 and "
                                   "detectorid =3 and (`time` >= '2024-02-21' and `time` < '2024-02-22' or "
                                   "`time` >= '2024-02-28' and `time` < '2024-02-29' or `time` >= '2024-03-06' "
                                   "and `time` < '2024-03-07')  ORDER BY tm,(intensity) is null,intensity"));
        QVERIFY(pg.at(1).contains("and `time` >= '2024-03-06' and `time` < '2024-03-07'  ORDER BY tm"));
        const QStringList my = RequestStatements(false).dtStat(1, "3+4", 1, 0, wednesday);
        QVERIFY(my.at(0).contains("time(`time`) as tm"));
        QVERIFY(my.at(0).contains("(`time` >= '2024-03-06' and `time` < '2024-03-07') GROUP BY"));
        QVERIFY(my.at(0).endsWith("GROUP BY `time` ORDER BY tm,(avg(occupancy)) is null,avg(occupancy)"));
        QVERIFY(my.at(1).contains(",avg(occupancy),case when count(state)>0 then bit_or(state) end FROM dt15"));
        QVERIFY(my.at(1).endsWith("GROUP BY `time` ORDER BY tm"));
    }

    void signalGroupsIsoTimes()
    {
        const QString s = RequestStatements(false).sg(1, QDateTime(QDate(2024, 3, 1), QTime(8, 0)),
                                                      QDateTime(QDate(2024, 3, 1), QTime(9, 0))).first();
        QVERIFY(s.contains("`time` >= '2024-03-01T08:00:00' and `time` < '2024-03-01T09:00:00'"));
    }

    // Back-quotes become double quotes for PostgreSQL, but never inside a
    // literal, a quoted identifier or a comment.
    void identifierQuoting_data()
    {
        QTest::addColumn<QString>("driver");
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("sent");
        QTest::newRow("mysql") << "QMYSQL" << "select `time` from t where a='`'" << "select `time` from t where a='`'";
        QTest::newRow("names") << "QPSQL" << "select `time`,`index` from t" << "select \"time\",\"index\" from t";
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
        QTest::newRow("five") << QVector<double>{1, 2, 3, 4, 5} << QVector<double>{3, 1, 5, 2, 4};
        QTest::newRow("four") << QVector<double>{1, 2, 3, 4} << QVector<double>{2.5, 1, 4, 1.5, 3.5};
        QTest::newRow("one") << QVector<double>{7} << QVector<double>{7, 7, 7, 7, 7};
        QTest::newRow("two") << QVector<double>{1, 3} << QVector<double>{2, 1, 3, 1, 3};
        QTest::newRow("three") << QVector<double>{1, 2, 4} << QVector<double>{2, 1, 4, 1.5, 3};
        QTest::newRow("seven") << QVector<double>{1, 2, 3, 4, 5, 6, 7}
                               << QVector<double>{4, 1, 7, 2.5, 5.5};
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
