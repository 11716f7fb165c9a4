#include "decoding/EventTemplate.h"

#include <QtTest>

namespace {

QByteArray words(std::initializer_list<qint32> values, int minSize = 32)
{
    QByteArray bytes(qMax(int(values.size()) * 4, minSize), '\0');
    int i = 0;
    for (qint32 value : values)
        qToLittleEndian<qint32>(value, bytes.data() + 4 * i++);
    return bytes;
}

} // namespace

class TestEventTemplate : public QObject
{
    Q_OBJECT

private slots:
    void conversions_data()
    {
        QTest::addColumn<QString>("templ");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("expected");

        const QByteArray fe = words({0xFE});
        QTest::newRow("i") << "$i" << fe << "254";
        QTest::newRow("s") << "$s" << fe << "-2";
        QTest::newRow("h") << "$h" << fe << "-1";
        QTest::newRow("l") << "$l" << fe << "14";
        QTest::newRow("x") << "$x" << fe << "feh";
        QTest::newRow("I") << "$I" << words({0x34, 0x12}) << "4660";
        QTest::newRow("X") << "$X" << words({0x34, 0x12}) << "1234h";
        QTest::newRow("X padded") << "$X" << words({0x05, 0x00}) << "05h";
        QTest::newRow("S") << "$S" << words({1, 2}) << "513";
        QTest::newRow("l then h, same byte") << "$l$h$i" << words({0x5A, 9}) << "1059";
        QTest::newRow("h then l") << "$h$l" << words({0x5A, 0x07}) << "57";
        QTest::newRow("literal text") << "no markers at all" << fe << "no markers at all";
        QTest::newRow("variant keeps position") << "$V(off,on) $i" << words({1}) << "on 1";
        QTest::newRow("variant empty items") << "[$V(a,,b)]" << words({1}) << "[]";
        QTest::newRow("variant bad index") << "$V(off,on)" << words({2}) << "ERROR: invalid variant index 2";
        QTest::newRow("variant no list") << "$Voff" << words({0}) << "ERROR: invalid variant listoff";
        QTest::newRow("variant unclosed") << "$V(off" << words({0}) << "ERROR: invalid variant list(off";
        QTest::newRow("table 2 overflow") << "$2" << words({8}) << "ERROR: overflow substitute type 2";
        QTest::newRow("table 5 overflow") << "$5" << words({9}) << "ERROR: overflow substitute type 5";
        QTest::newRow("table negative") << "$1" << words({-1}) << "ERROR: overflow substitute type 1";
        QTest::newRow("table 4 last") << "$4" << words({21}) << "'исчерпано число попыток'";
        QTest::newRow("table 7 advances") << "$7 $i" << words({4, 200}) << "'несовпадение контрольной суммы' 200";
        QTest::newRow("target CPU") << "$a" << words({17}) << "CPU";
        QTest::newRow("target SPI") << "$a" << words({15}) << "SPI 15";
        QTest::newRow("target bad") << "$a" << words({18}) << "ошибочный";
        QTest::newRow("unknown code") << "$z$i" << words({0x1F, 3}) << "ERROR: unknown conversion code 1fh3";
        QTest::newRow("dollar dollar") << "$$" << words({0xAB}) << "ERROR: unknown conversion code abh";
        QTest::newRow("dollar at end") << "x$" << words({0}) << "xERROR: unknown conversion code 00h";
        QTest::newRow("non-latin code") << "$ж" << words({0}) << "ERROR: unknown conversion code 00h";
        // No template, or one whose conversions all give nothing: bytes 16,
        // 20, 24 and 28 in hex.
        const QByteArray tail = words({0, 0, 0, 0, 0x0A, 0, 0xFF, 0x10});
        QTest::newRow("fallback") << QString() << tail << "0ah 00h ffh 10h";
        QTest::newRow("empty conversions fall back") << "$V(,x)" << tail << "0ah 00h ffh 10h";
        // Twelve bytes are all the host guarantees; everything past them is 0.
        QTest::newRow("short data") << "$i $i $i $i $S" << words({7, 8, 9}, 12) << "7 8 9 0 0";
        QTest::newRow("short fallback") << QString() << words({7, 8, 9}, 12) << "00h 00h 00h 00h";
        QTest::newRow("one byte") << "$I" << QByteArray(1, '\x05') << "5";
    }
    void conversions()
    {
        QFETCH(QString, templ);
        QFETCH(QByteArray, data);
        QTEST(expandEventTemplate(templ, data.constData(), data.size()), "expected");
    }

    // Buffers of their exact size, so that AddressSanitizer catches a read
    // past the end.
    void randomTemplatesStayInsideTheData()
    {
        QRandomGenerator random(20261206);
        const QString alphabet = QStringLiteral("$$$$isSlhxIXa1234567890VzV(,)( ,)ab жё");
        for (int n = 0; n < 100000; ++n) {
            const int size = random.bounded(40);
            std::unique_ptr<char[]> data(new char[size ? size : 1]);
            for (int i = 0; i < size; ++i)
                data[i] = char(random.bounded(256));
            QString templ;
            for (int i = random.bounded(24); i > 0; --i)
                templ += alphabet.at(random.bounded(alphabet.size()));
            if (expandEventTemplate(templ, data.get(), size).isEmpty())
                QFAIL(qPrintable(QStringLiteral("empty result for ") + templ));
        }
    }
};

QTEST_APPLESS_MAIN(TestEventTemplate)
#include "tst_eventtemplate.moc"
