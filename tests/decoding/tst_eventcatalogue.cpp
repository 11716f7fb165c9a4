#include "decoding/EventCatalogue.h"

#include <QTest>
#include <QTextCodec>

class EventCatalogueTest : public QObject
{
    Q_OBJECT

private:
    static QByteArray cp1251(const QString &text)
    {
        return controllerTextCodec()->fromUnicode(text);
    }

private slots:
    void currentGenerationPassesDescription_data()
    {
        QTest::addColumn<unsigned>("ver");
        QTest::newRow("0x5FFFF") << 0x5FFFFu;
        QTest::newRow("zero") << 0u;
        QTest::newRow("0x1FFFF") << 0x1FFFFu;
        QTest::newRow("max") << 0xFFFFFFFFu;
    }
    void currentGenerationPassesDescription()
    {
        QFETCH(unsigned, ver);
        const DecodedLogRow row = decodeLogRow(ver, 1, 5, "  a K1 b", QStringLiteral("ready"));
        QVERIFY(!row.hasSource);
        QVERIFY(row.hasDescription);
        QCOMPARE(row.description, QStringLiteral("ready"));
        QVERIFY(!logGenerationHasSource(ver));
    }

    void lookupsOfGenerations3And4_data()
    {
        QTest::addColumn<unsigned>("ver");
        QTest::addColumn<int>("typeId");
        QTest::addColumn<int>("val");
        QTest::addColumn<QString>("description");
        QTest::newRow("service 5") << 0x3FFFFu << 1 << 5 << QStringLiteral("ДК подключился");
        QTest::newRow("service unknown")
            << 0x3FFFFu << 1 << 3 << QStringLiteral("Неизвесное событие №3");
        QTest::newRow("service negative")
            << 0x4FFFFu << 1 << -7 << QStringLiteral("Неизвесное событие №-7");
        QTest::newRow("source 3") << 0x4FFFFu << 2 << 3 << QStringLiteral("АСУДД");
        QTest::newRow("source unknown") << 0x3FFFFu << 2 << 9 << QStringLiteral("9");
        QTest::newRow("algorithm 251")
            << 0x4FFFFu << 3 << 251 << QStringLiteral("МГР в системе АСУДД \"Тирель\" - устарел");
        QTest::newRow("algorithm 14 two spaces")
            << 0x3FFFFu << 3 << 14
            << QStringLiteral("Две вызывные фазы к каждой основной по разным  условиям");
        QTest::newRow("algorithm 20 latin M") << 0x3FFFFu << 3 << 20 << QStringLiteral("Пешеходный M");
        QTest::newRow("algorithm gap 30") << 0x4FFFFu << 3 << 30 << QStringLiteral("30");
        QTest::newRow("algorithm gap 249") << 0x4FFFFu << 3 << 249 << QStringLiteral("249");
    }
    void lookupsOfGenerations3And4()
    {
        QFETCH(unsigned, ver);
        QFETCH(int, typeId);
        QFETCH(int, val);
        QFETCH(QString, description);
        // Data and descr must not matter for the looked-up types.
        const DecodedLogRow row = decodeLogRow(ver, typeId, val, "x K1 y", QStringLiteral("ignored"));
        QVERIFY(!row.hasSource);
        QVERIFY(row.hasDescription);
        QCOMPARE(row.description, description);
    }

    void wordsOfGenerations3And4_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("filled");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("description");
        QTest::newRow("two spaces each")
            << (QByteArray("  12:00  K1  ") + cp1251(QStringLiteral("Авария лампы"))) << true
            << QStringLiteral("K1") << QStringLiteral("Авария лампы");
        QTest::newRow("no space after second word") << QByteArray("12:00 K1") << false
                                                    << QString() << QString();
        QTest::newRow("single word") << QByteArray("12:00") << false << QString() << QString();
        QTest::newRow("empty") << QByteArray() << false << QString() << QString();
        QTest::newRow("only spaces") << QByteArray("     ") << false << QString() << QString();
        QTest::newRow("empty description") << QByteArray("t K1 ") << true << QStringLiteral("K1")
                                           << QString();
        QTest::newRow("tab is not a separator")
            << QByteArray("12:00\tK1 Lamp x") << true << QStringLiteral("Lamp")
            << QStringLiteral("x");
        QTest::newRow("inner spaces of description kept")
            << QByteArray("t  K2   a  b ") << true << QStringLiteral("K2") << QStringLiteral("a  b ");
        QTest::newRow("utf-8 source")
            << (QByteArray("t ") + QStringLiteral("ДК1").toUtf8() + " "
                + cp1251(QStringLiteral("Дверь")))
            << true << QStringLiteral("ДК1") << QStringLiteral("Дверь");
    }
    void wordsOfGenerations3And4()
    {
        QFETCH(QByteArray, data);
        QFETCH(bool, filled);
        QFETCH(QString, source);
        QFETCH(QString, description);
        for (unsigned ver : {0x3FFFFu, 0x4FFFFu}) {
            const DecodedLogRow row = decodeLogRow(ver, 7, 5, data, QStringLiteral("ignored"));
            QCOMPARE(row.hasSource, filled);
            QCOMPARE(row.hasDescription, filled);
            QCOMPARE(row.source, source);
            QCOMPARE(row.description, description);
        }
    }

    void generation2_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("filled");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("description");
        QTest::newRow("source and text")
            << (QByteArray("K1:") + cp1251(QStringLiteral("Дверь открыта"))) << true
            << QStringLiteral("K1") << QStringLiteral("Дверь открыта");
        QTest::newRow("two colons") << QByteArray("a:b:c") << false << QString() << QString();
        QTest::newRow("no colon") << QByteArray("abc") << false << QString() << QString();
        QTest::newRow("source stops at zero byte")
            << QByteArray("K1\0junk:x", 9) << true << QStringLiteral("K1") << QStringLiteral("x");
        QTest::newRow("empty parts") << QByteArray(":") << true << QString() << QString();
    }
    void generation2()
    {
        QFETCH(QByteArray, data);
        QFETCH(bool, filled);
        QFETCH(QString, source);
        QFETCH(QString, description);
        // The type does not matter for generation 2, not even the looked-up ones.
        for (int typeId : {1, 2, 3, 9}) {
            const DecodedLogRow row = decodeLogRow(0x2FFFF, typeId, 5, data, QStringLiteral("no"));
            QCOMPARE(row.hasSource, filled);
            QCOMPARE(row.hasDescription, filled);
            QCOMPARE(row.source, source);
            QCOMPARE(row.description, description);
        }
        QVERIFY(logGenerationHasSource(0x2FFFF));
    }

    void controlSourceLabels()
    {
        QCOMPARE(controlSourceLabel(1).label, QStringLiteral("календарная автоматика"));
        QCOMPARE(controlSourceLabel(1).colour, QColor(Qt::green));
        QCOMPARE(controlSourceLabel(3).colour, QColor(Qt::cyan));
        QCOMPARE(controlSourceLabel(4).colour, QColor(Qt::darkCyan));
        QCOMPARE(controlSourceLabel(5).colour, QColor(Qt::darkMagenta));
        QCOMPARE(controlSourceLabel(6).colour, QColor(Qt::magenta));
        QCOMPARE(controlSourceLabel(7).label, QStringLiteral("обработчик ошибок"));
        QCOMPARE(controlSourceLabel(7).colour, QColor(Qt::black));
        for (int key : {0, 2, 8, -1, 1000}) {
            QCOMPARE(controlSourceLabel(key).label, QStringLiteral("неизвестный режим"));
            QCOMPARE(controlSourceLabel(key).colour, QColor(Qt::gray));
        }
    }
};

QTEST_APPLESS_MAIN(EventCatalogueTest)
#include "tst_eventcatalogue.moc"
