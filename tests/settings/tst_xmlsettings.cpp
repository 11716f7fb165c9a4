#include "XmlSettings.h"

#include <QtTest>
#include <QtXml>

class XmlSettingsTest : public QObject
{
    Q_OBJECT

    static QByteArray written(const QSettings::SettingsMap &map)
    {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        writeXmlSettings(buffer, map);
        return buffer.data();
    }

    static QSettings::SettingsMap read(QByteArray bytes, bool *ok = nullptr)
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QSettings::SettingsMap map{{"kept", 1}};
        const bool parsed = readXmlSettings(buffer, map);
        if (ok)
            *ok = parsed;
        if (parsed)
            map.remove("kept");
        return map;
    }

private slots:
    void documentLayout()
    {
        QCOMPARE(written({{"a/b", 1}, {"c", "x"}}), QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                                               "<Settings>\n"
                                                               "    <a>\n"
                                                               "        <b>1</b>\n"
                                                               "    </a>\n"
                                                               "    <c>x</c>\n"
                                                               "</Settings>\n"));
        // Read back as strings; a key that is a leaf and a group; markup.
        const QSettings::SettingsMap map{{"a", "top"}, {"a/b", 1}, {"k", "<&> \"q\" 'a' \\ Дверь ✓"}};
        QCOMPARE(read(written(map)), (QSettings::SettingsMap{{"a", "top"}, {"a/b", "1"}, {"k", map.value("k")}}));
        // Empty elements of earlier files are no keys, so the caller's
        // defaults hold; whitespace alone is no value. Deep keys read back.
        QCOMPARE(read("<Settings><a/><b></b><c> \n </c><d>x<!-- note --></d><e><f/></e></Settings>"),
                 (QSettings::SettingsMap{{"d", "x"}}));
        const QString deep = QStringLiteral("/level").repeated(200).mid(1);
        QCOMPARE(read(written({{deep, "x"}})), (QSettings::SettingsMap{{deep, "x"}}));
    }

    // Item elements "row_N" or named by arrayItem, read back renumbered by
    // position, also past nine items (where text order would put 10 before
    // 2) and nested, with the size from the count; a lone "size" key is
    // never written.
    void arrays()
    {
        QSettings::SettingsMap map{{"list/1/name", "a"}, {"list/2/name", "b"}, {"list/arrayItem", "item"},
                                   {"list/size", 2}, {"rows/size", 12}};
        for (int i = 1; i <= 12; ++i) {
            map.insert(QStringLiteral("rows/%1/x").arg(i), QString::number(i));
            map.insert(QStringLiteral("rows/%1/inner/size").arg(i), 11);
            for (int j = 1; j <= 11; ++j)
                map.insert(QStringLiteral("rows/%1/inner/%2/y").arg(i).arg(j), QString::number(i * 100 + j));
        }
        QSettings::SettingsMap withSize = map;
        withSize.insert(QStringLiteral("window/size"), 5);
        const QByteArray xml = written(withSize);
        QCOMPARE(read(xml), map);
        QDomDocument document;
        QVERIFY(document.setContent(xml));
        const QDomElement root = document.documentElement();
        QCOMPARE(root.firstChildElement("list").attribute("arrayItem"), QStringLiteral("item"));
        QCOMPARE(root.firstChildElement("list").elementsByTagName("item").size(), 2);
        QVERIFY(root.firstChildElement("rows").hasAttribute("arrayItem"));
        QCOMPARE(root.firstChildElement("rows").attribute("arrayItem"), QString());
        QCOMPARE(root.firstChildElement("rows").firstChildElement().tagName(), QStringLiteral("row_1"));
        QVERIFY(root.firstChildElement("window").isNull());
        QCOMPARE(read("<Settings><l arrayItem=\"\"><row_3><v>a</v></row_3><row_7><v>b</v></row_7>"
                      "<other>c</other></l></Settings>"),
                 (QSettings::SettingsMap{{"l/1/v", "a"}, {"l/2/v", "b"}, {"l/other", "c"}, {"l/size", 2}}));
    }

    // Values whose plain text would not read back as themselves (no text
    // form, bytes or characters XML cannot hold) come back as the same
    // value; plain texts stay plain, also one that looks encoded. A lone
    // "size" and an empty "arrayItem" leave no element behind.
    void valuesReadBackAsWritten_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("stored"); // the element's text
        QTest::newRow("empty text") << QVariant(QString()) << QString();
        QTest::newRow("rect") << QVariant(QRect(10, -20, 640, 480)) << "@Rect(10 -20 640 480)";
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
        const QByteArray xml = written({{"w/v", value}, {"a/b/size", 3}, {"c/arrayItem", QString()}});
        QDomDocument document;
        QVERIFY(document.setContent(xml));
        QCOMPARE(document.documentElement().childNodes().size(), 1);
        if (!stored.isEmpty())
            QCOMPARE(document.documentElement().firstChildElement("w").firstChildElement("v").text(), stored);
        QCOMPARE(read(xml), (QSettings::SettingsMap{{"w/v", value}}));
    }

    // Not well-formed, a document type (no entity is ever expanded), or
    // beyond what a settings file can be: false with the map untouched, and
    // QSettings reports a format error.
    void refused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("truncated") << QByteArray("<?xml version=\"1.0\"?><Settings><a>1</a>");
        QTest::newRow("tags crossed") << QByteArray("<Settings><a>1</b></Settings>");
        QTest::newRow("garbage") << QByteArray("\x01\x02garbage");
        QTest::newRow("undeclared entity") << QByteArray("<Settings><a>&e;</a></Settings>");
        QTest::newRow("document type") << QByteArray("<!DOCTYPE Settings><Settings><a>1</a></Settings>");
        QTest::newRow("external entity") << QByteArray("<!DOCTYPE Settings [<!ENTITY e SYSTEM \"/etc/passwd\">]>"
                                                       "<Settings><a>&e;</a></Settings>");
        QByteArray laughs = "<!DOCTYPE Settings [<!ENTITY l0 \"" + QByteArray(40000, 'x') + "\">";
        for (int i = 1; i < 10; ++i)
            laughs += QStringLiteral("<!ENTITY l%1 \"%2\">").arg(i).arg(QStringLiteral("&l%1;").arg(i - 1).repeated(10)).toLatin1();
        QTest::newRow("entities referenced over and over")
            << laughs + "]><Settings><a>" + QByteArray("&l0;").repeated(50000) + "&l9;</a></Settings>";
        QTest::newRow("100 000 levels") << QByteArray("<a>").repeated(100000) + QByteArray("</a>").repeated(100000);
        QTest::newRow("1000 levels") << QByteArray("<a>").repeated(1000) + QByteArray("</a>").repeated(1000);
        QTest::newRow("over 16 MiB") << "<Settings/>" + QByteArray(16 * 1024 * 1024, ' ');
        // 3000 items below a name of 4000 characters: 12 million in the keys.
        const QByteArray name = QByteArray("<Settings><") + QByteArray(4000, 'n');
        QTest::newRow("keys longer than the file")
            << name + " arrayItem=\"\">" + QByteArray("<row_>1</row_>").repeated(3000) + "</" + name.mid(11) + "></Settings>";
    }
    void refused()
    {
        QFETCH(QByteArray, bytes);
        bool ok = true;
        QCOMPARE(read(bytes, &ok), (QSettings::SettingsMap{{"kept", 1}}));
        QVERIFY(!ok);

        if (bytes.isEmpty())
            return; // QSettings reads no empty file
        QTemporaryDir dir;
        QFile file(dir.filePath("refused.xml"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        QSettings settings(file.fileName(), registerXmlSettingsFormat());
        QCOMPARE(settings.status(), QSettings::FormatError);
        QVERIFY(settings.allKeys().isEmpty());
    }
};

QTEST_GUILESS_MAIN(XmlSettingsTest)
#include "tst_xmlsettings.moc"
