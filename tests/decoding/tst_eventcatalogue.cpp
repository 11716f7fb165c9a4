#include "decoding/EventCatalogue.h"

#include <QTest>
#include <QTextCodec>

// One log row's Source and Description cells as "source|description"; a
// cell left without an item is "-".
static QString cells(const DecodedLogRow &row)
{
    return (row.hasSource ? row.source : QStringLiteral("-")) + QLatin1Char('|')
           + (row.hasDescription ? row.description : QStringLiteral("-"));
}

static QByteArray cp1251(const QString &text)
{
    return controllerTextCodec()->fromUnicode(text);
}

class EventCatalogueTest : public QObject
{
    Q_OBJECT

private slots:
    void decodeLogRow_data()
    {
        QTest::addColumn<uint>("ver");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("val");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("expected");
        // The current generation shows the type's description as it is.
        for (uint ver : {0x5FFFFu, 0u, 0x1FFFFu, 0xFFFFFFFFu})
            QTest::addRow("current %x", ver) << ver << 1 << 5 << QByteArray("  a K1 b") << "-|ready";
        // Generations 3 and 4: types 1 to 3 looked up by value, data ignored.
        for (uint ver : {0x3FFFFu, 0x4FFFFu}) {
            const QByteArray words("x K1 y");
            QTest::addRow("%x service", ver) << ver << 1 << 5 << words << "-|ДК подключился";
            QTest::addRow("%x service unknown", ver) << ver << 1 << -7 << words << "-|Неизвесное событие №-7";
            QTest::addRow("%x source", ver) << ver << 2 << 3 << words << "-|АСУДД";
            QTest::addRow("%x source unknown", ver) << ver << 2 << 9 << words << "-|9";
            QTest::addRow("%x algorithm", ver) << ver << 3 << 251 << words
                                               << "-|МГР в системе АСУДД \"Тирель\" - устарел";
            QTest::addRow("%x algorithm gap", ver) << ver << 3 << 249 << words << "-|249";
            // Other types: "time source description…", split at spaces only.
            QTest::addRow("%x words", ver) << ver << 7 << 5 << QByteArray("  12:00  K1  ") + cp1251("Авария лампы")
                                           << "K1|Авария лампы";
            QTest::addRow("%x only spaces", ver) << ver << 7 << 5 << QByteArray("   ") << "-|-";
            QTest::addRow("%x empty description", ver) << ver << 7 << 5 << QByteArray("t K1 ") << "K1|";
            QTest::addRow("%x tab", ver) << ver << 7 << 5 << QByteArray("12:00\tK1 Lamp x") << "Lamp|x";
            QTest::addRow("%x inner spaces", ver) << ver << 7 << 5 << QByteArray("t  K2   a  b ") << "K2|a  b ";
            QTest::addRow("%x utf-8 source", ver) << ver << 7 << 5 << "t " + QStringLiteral("ДК1").toUtf8() + " "
                                                         + cp1251("Дверь") << "ДК1|Дверь";
        }
        // Generation 2: "source:description" whatever the type.
        for (int type : {1, 7}) {
            QTest::addRow("2 type %d", type) << 0x2FFFFu << type << 5 << "K1:" + cp1251("Дверь открыта")
                                             << "K1|Дверь открыта";
            QTest::addRow("2 two colons %d", type) << 0x2FFFFu << type << 5 << QByteArray("a:b:c") << "-|-";
        }
        QTest::newRow("2 no colon") << 0x2FFFFu << 1 << 5 << QByteArray("abc") << "-|-";
        QTest::newRow("2 zero byte") << 0x2FFFFu << 1 << 5 << QByteArray("K1\0junk:x", 9) << "K1|x";
        QTest::newRow("2 empty parts") << 0x2FFFFu << 1 << 5 << QByteArray(":") << "|";
    }
    void decodeLogRow()
    {
        QFETCH(uint, ver);
        QFETCH(int, type);
        QFETCH(int, val);
        QFETCH(QByteArray, data);
        QTEST(cells(::decodeLogRow(ver, type, val, data, QStringLiteral("ready"))), "expected");
    }
};

QTEST_APPLESS_MAIN(EventCatalogueTest)
#include "tst_eventcatalogue.moc"
