#include "XmlSettings.h"

#include <QBuffer>
#include <QDomDocument>
#include <QFile>
#include <QRect>
#include <QTemporaryDir>
#include <QTest>

class XmlSettingsTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    int fileCount = 0;

    QString newFile() { return dir.filePath(QStringLiteral("s%1.xml").arg(++fileCount)); }

    static QByteArray fileBytes(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return file.readAll();
    }

    static QByteArray written(const QSettings::SettingsMap &map)
    {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        writeXmlSettings(buffer, map);
        return buffer.data();
    }

    // Reads the file itself: a QSettings object of the same process may answer
    // from its cache instead.
    static QSettings::SettingsMap readFile(const QString &path)
    {
        return read(fileBytes(path));
    }

    static QSettings::SettingsMap read(const QByteArray &bytes, bool *ok = nullptr)
    {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        QSettings::SettingsMap map;
        const bool result = readXmlSettings(buffer, map);
        if (ok)
            *ok = result;
        return map;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(registerXmlSettingsFormat() != QSettings::InvalidFormat);
        QCOMPARE(registerXmlSettingsFormat(), xmlSettingsFormat);
    }

    void documentLayout()
    {
        const QByteArray xml = written({{"a/b", 1}, {"c", "x"}});
        QCOMPARE(xml,
                 QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            "<Settings>\n"
                            "    <a>\n"
                            "        <b>1</b>\n"
                            "    </a>\n"
                            "    <c>x</c>\n"
                            "</Settings>\n"));
        const QSettings::SettingsMap map = read(xml);
        QCOMPARE(map.size(), 2);
        QCOMPARE(map.value("a/b").userType(), int(QMetaType::QString));
        QCOMPARE(map.value("a/b"), QVariant(QStringLiteral("1")));
        QCOMPARE(map.value("c"), QVariant(QStringLiteral("x")));
    }

    void arraysThroughQSettings()
    {
        const QString path = newFile();
        {
            QSettings settings(path, xmlSettingsFormat);
            settings.beginWriteArray("rows");
            for (int i = 0; i < 3; ++i) {
                settings.setArrayIndex(i);
                settings.setValue("name", QStringLiteral("r%1").arg(i));
            }
            settings.endArray();
            settings.beginWriteArray("list");
            for (int i = 0; i < 2; ++i) {
                settings.setArrayIndex(i);
                settings.setValue("name", QString(QChar('a' + i)));
            }
            settings.endArray();
            settings.setValue("list/arrayItem", "item");
            settings.setValue("window/size", 5); // "size" is never written
            QVERIFY(settings.status() == QSettings::NoError);
        }

        QDomDocument document;
        QVERIFY(document.setContent(fileBytes(path)));
        const QDomElement root = document.documentElement();
        QCOMPARE(root.tagName(), QStringLiteral("Settings"));
        const QDomElement list = root.firstChildElement("list");
        QCOMPARE(list.attribute("arrayItem"), QStringLiteral("item"));
        QCOMPARE(list.elementsByTagName("item").size(), 2);
        QCOMPARE(list.firstChildElement("item").firstChildElement("name").text(), QStringLiteral("a"));
        const QDomElement rows = root.firstChildElement("rows");
        QVERIFY(rows.hasAttribute("arrayItem"));
        QCOMPARE(rows.attribute("arrayItem"), QString());
        QCOMPARE(rows.firstChildElement().tagName(), QStringLiteral("row_1"));
        QVERIFY(root.firstChildElement("window").isNull());

        QSettings settings(path, xmlSettingsFormat);
        QCOMPARE(settings.status(), QSettings::NoError);
        QCOMPARE(settings.beginReadArray("rows"), 3);
        for (int i = 0; i < 3; ++i) {
            settings.setArrayIndex(i);
            QCOMPARE(settings.value("name").toString(), QStringLiteral("r%1").arg(i));
        }
        settings.endArray();
        QCOMPARE(settings.value("list/arrayItem").toString(), QStringLiteral("item"));
        QCOMPARE(settings.value("list/size").toInt(), 2);
        const QSettings::SettingsMap map = readFile(path);
        QCOMPARE(map.value("rows/size"), QVariant(3));
        QCOMPARE(map.value("rows/3/name"), QVariant(QStringLiteral("r2")));
        QCOMPARE(map.value("list/2/name"), QVariant(QStringLiteral("b")));
        QVERIFY(!map.contains("window/size"));
        QVERIFY(!map.contains("window"));
    }

    void itemsRenumberedByPosition()
    {
        const QSettings::SettingsMap map = read(
            "<Settings><list arrayItem=\"\"><row_3><v>a</v></row_3><row_7><v>b</v></row_7>"
            "<other>c</other></list></Settings>");
        QCOMPARE(map.value("list/1/v"), QVariant(QStringLiteral("a")));
        QCOMPARE(map.value("list/2/v"), QVariant(QStringLiteral("b")));
        QCOMPARE(map.value("list/other"), QVariant(QStringLiteral("c")));
        QCOMPARE(map.value("list/size"), QVariant(2));
        QVERIFY(!map.contains("list/arrayItem"));
    }

    // Text order would write item 10 before item 2, and reading renumbers by
    // position: a long array must come back in its own order.
    void longArraysKeepTheirOrder()
    {
        const QString path = newFile();
        const int count = 123;
        {
            QSettings settings(path, xmlSettingsFormat);
            settings.beginWriteArray("points");
            for (int i = 0; i < count; ++i) {
                settings.setArrayIndex(i);
                settings.setValue("x", i * 10);
                settings.beginWriteArray("inner");
                for (int j = 0; j < 11; ++j) {
                    settings.setArrayIndex(j);
                    settings.setValue("y", i * 100 + j);
                }
                settings.endArray();
            }
            settings.endArray();
        }
        const QSettings::SettingsMap map = readFile(path);
        QCOMPARE(map.value("points/size"), QVariant(count));
        for (int i = 0; i < count; ++i) {
            const QString item = QStringLiteral("points/%1/").arg(i + 1);
            QCOMPARE(map.value(item + "x").toInt(), i * 10);
            QCOMPARE(map.value(item + "inner/size").toInt(), 11);
            for (int j = 0; j < 11; ++j)
                QCOMPARE(map.value(item + QStringLiteral("inner/%1/y").arg(j + 1)).toInt(),
                         i * 100 + j);
        }
    }

    void shortArraysWrittenInTextOrder()
    {
        // Nine items and mixed sibling names: the order is plain text order.
        QSettings::SettingsMap map;
        for (int i = 1; i <= 9; ++i)
            map.insert(QStringLiteral("l/%1/v").arg(i), i);
        map.insert("l/size", 9);
        map.insert("a-b", "1");
        map.insert("a/b", "2");
        map.insert("a0", "3");
        const QDomDocument document = [&] {
            QDomDocument d;
            d.setContent(written(map));
            return d;
        }();
        QStringList order;
        for (QDomElement e = document.documentElement().firstChildElement(); !e.isNull();
             e = e.nextSiblingElement())
            order << e.tagName();
        QCOMPARE(order, (QStringList{"a-b", "a", "a0", "l"}));
        QStringList rows;
        for (QDomElement e = document.documentElement().firstChildElement("l").firstChildElement();
             !e.isNull(); e = e.nextSiblingElement())
            rows << e.tagName();
        QCOMPARE(rows, (QStringList{"row_1", "row_2", "row_3", "row_4", "row_5", "row_6", "row_7",
                                    "row_8", "row_9"}));
    }

    void emptyValueReadsBackEmpty()
    {
        const QString path = newFile();
        {
            QSettings settings(path, xmlSettingsFormat);
            settings.setValue("user/name", QString());
            settings.setValue("user/host", "h");
        }
        const QSettings::SettingsMap map = readFile(path);
        QVERIFY(map.contains("user/name"));
        QCOMPARE(map.value("user/name"), QVariant(QString()));
        QCOMPARE(map.value("user/host"), QVariant(QStringLiteral("h")));
        QVERIFY(!map.contains("user"));
    }

    // Values whose plain text would not read back as themselves (no text
    // form, bytes or characters XML cannot hold) come back as the same
    // value; plain texts stay plain, also one that looks like an encoded
    // value. Keys that write nothing leave no element behind.
    void valuesReadBackAsWritten_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("stored"); // the element's text
        QTest::newRow("rect") << QVariant(QRect(10, -20, 640, 480)) << "@Rect(10 -20 640 480)";
        QTest::newRow("size") << QVariant(QSize(3, 4)) << "@Size(3 4)";
        QTest::newRow("point") << QVariant(QPoint(-1, 2)) << "@Point(-1 2)";
        QTest::newRow("invalid") << QVariant() << "@Invalid()";
        QTest::newRow("bytes") << QVariant(QByteArray("\0\x01\xff", 3)) << "@ByteArray(AAH/)";
        QTest::newRow("string list") << QVariant(QStringList{"a", "b"}) << QString();
        QTest::newRow("empty string list") << QVariant(QStringList()) << QString();
        QTest::newRow("map") << QVariant(QVariantMap{{"x", 1}, {"y", QRect(1, 2, 3, 4)}}) << QString();
        QTest::newRow("control character") << QVariant(QStringLiteral("a\x01z")) << QString();
        QTest::newRow("spaces only") << QVariant(QStringLiteral("  ")) << QString();
        QTest::newRow("text bytes stay text") << QVariant(QByteArray("abc")) << "abc";
        QTest::newRow("text like an encoding") << QVariant(QStringLiteral("@Rect(1 2 3 4)")) << "@Rect(1 2 3 4)";
    }
    void valuesReadBackAsWritten()
    {
        QFETCH(QVariant, value);
        QFETCH(QString, stored);
        const QString path = newFile();
        {
            QSettings settings(path, xmlSettingsFormat);
            settings.setValue("w/v", value);
            settings.setValue("a/b/size", 3);
            settings.setValue("c/arrayItem", QString());
        }
        QDomDocument document;
        QVERIFY(document.setContent(fileBytes(path)));
        const QDomElement root = document.documentElement();
        QCOMPARE(root.childNodes().size(), 1); // nothing of a/b/size or c
        if (!stored.isEmpty())
            QCOMPARE(root.firstChildElement("w").firstChildElement("v").text(), stored);

        const QSettings::SettingsMap map = readFile(path);
        QCOMPARE(map.keys(), QStringList{"w/v"});
        const QVariant back = map.value("w/v");
        if (value.userType() == QMetaType::QByteArray && stored == "abc")
            QCOMPARE(back, QVariant(QStringLiteral("abc"))); // as today: text
        else
            QCOMPARE(back, value);
    }

    void leafAndGroupOfTheSameName()
    {
        const QSettings::SettingsMap map = read(written({{"a", "top"}, {"a/b", "inner"}}));
        QCOMPARE(map.value("a"), QVariant(QStringLiteral("top")));
        QCOMPARE(map.value("a/b"), QVariant(QStringLiteral("inner")));
    }

    void specialCharactersSurvive()
    {
        const QString text = QStringLiteral("<&> \"q\" 'a' \\ Дверь ✓");
        const QSettings::SettingsMap map = read(written({{"k", text}}));
        QCOMPARE(map.value("k").toString(), text);
    }

    void malformedInput_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("truncated") << QByteArray("<?xml version=\"1.0\"?><Settings><a>1</a>");
        QTest::newRow("mismatched") << QByteArray("<Settings><a>1</b></Settings>");
        QTest::newRow("not xml") << QByteArray("\x01\x02garbage");
    }
    void malformedInput()
    {
        QFETCH(QByteArray, bytes);
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        QSettings::SettingsMap map{{"kept", 1}};
        QVERIFY(!readXmlSettings(buffer, map));
        QCOMPARE(map, (QSettings::SettingsMap{{"kept", 1}}));

        const QString path = newFile();
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes.isEmpty() ? QByteArray("<") : bytes);
        file.close();
        QSettings settings(path, xmlSettingsFormat);
        QCOMPARE(settings.status(), QSettings::FormatError);
    }
};

QTEST_GUILESS_MAIN(XmlSettingsTest)
#include "tst_xmlsettings.moc"
