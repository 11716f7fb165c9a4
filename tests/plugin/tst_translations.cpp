// The Russian interface: every text the sources mark for translation has a
// finished Russian translation, the module loaded under a Russian locale
// shows it, and so does the host started with --lang ru.
#include <QtTest>
#include <QtWidgets>
#include <QtXml>

namespace {

// (context, source) → the finished translation, or "" when unfinished.
QHash<QPair<QString, QString>, QString> readTs(const QString &fileName)
{
    QFile file(fileName);
    QDomDocument doc;
    if (!file.open(QIODevice::ReadOnly) || !doc.setContent(&file))
        return {};
    QHash<QPair<QString, QString>, QString> messages;
    const QDomNodeList list = doc.elementsByTagName("message");
    for (int i = 0; i < list.size(); ++i) {
        const QDomElement m = list.at(i).toElement(), t = m.firstChildElement("translation");
        messages.insert({m.parentNode().firstChildElement("name").text(), m.firstChildElement("source").text()},
                        t.attribute("type").isEmpty() ? t.text() : QString());
    }
    return messages;
}

// %1 … %99, %L1 and %n: a translation must use the same ones.
QStringList placeholders(const QString &text)
{
    QStringList found;
    for (auto it = QRegularExpression(QStringLiteral("%L?(\\d+|n)")).globalMatch(text); it.hasNext();)
        found << it.next().captured(0);
    found.sort();
    return found;
}

} // namespace

class TranslationsTest : public QObject
{
    Q_OBJECT

private slots:
    void everyTextTranslated_data()
    {
        QTest::addColumn<QString>("ts");
        QTest::addColumn<QStringList>("sources");
        const QString root = QStringLiteral(LUMOVIEW_SOURCE_DIR);
        QTest::newRow("module") << root + "/src/plugins/LumoView/translations/lumoview_ru.ts"
                                << QStringList{root + "/src/plugins/LumoView", root + "/src/charts"};
        QTest::newRow("host") << root + "/src/host/translations/lumoview-host_ru.ts" << QStringList{root + "/src/host"};
    }
    // The texts as the sources mark them today, so that a new text without
    // its translation fails here rather than in front of an operator.
    void everyTextTranslated()
    {
        QFETCH(QString, ts);
        QFETCH(QStringList, sources);
        const auto committed = readTs(ts);
        QVERIFY2(!committed.isEmpty(), qPrintable(ts));
        QTemporaryDir dir;
        const QString fresh = dir.filePath(QStringLiteral("fresh.ts"));
        QProcess lupdate;
        lupdate.setProcessChannelMode(QProcess::MergedChannels);
        lupdate.start(QStringLiteral(LUMOVIEW_LUPDATE),
                      QStringList{"-silent", "-locations", "none"} + sources + QStringList{"-ts", fresh});
        QVERIFY(lupdate.waitForFinished(120000));
        QVERIFY2(lupdate.exitCode() == 0, lupdate.readAll().constData());
        const auto marked = readTs(fresh);
        QVERIFY(!marked.isEmpty());
        QStringList problems;
        for (auto it = marked.cbegin(); it != marked.cend(); ++it) {
            const QString translation = committed.value(it.key());
            if (translation.isEmpty() || placeholders(translation) != placeholders(it.key().second))
                problems << it.key().first + QStringLiteral(" \"") + it.key().second + "\" -> \"" + translation + '"';
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    // The host chooses the language before it loads the module.
    void moduleSpeaksTheHostsLanguage()
    {
        const QString url = qEnvironmentVariable("LUMOVIEW_TEST_PG_URL");
        if (url.isEmpty())
            QSKIP("No test server: run through scripts/dbserver");
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        const auto english = qScopeGuard([] { QLocale::setDefault(QLocale::c()); });
        QPluginLoader loader{QStringLiteral(LUMOVIEW_MODULE_FILE)};
        QObject *module = loader.instance();
        QVERIFY2(module, qPrintable(loader.errorString()));
        QString answer;
        QVERIFY(QMetaObject::invokeMethod(module, "setDatabaseUrl", Q_RETURN_ARG(QString, answer), Q_ARG(QString, url)));
        QCOMPARE(answer, QStringLiteral("OK"));

        QWidget *widget = nullptr;
        QVERIFY(QMetaObject::invokeMethod(module, "createLogWidget", Q_RETURN_ARG(QWidget *, widget), Q_ARG(uint, 1),
                                          Q_ARG(uint, 0x5FFFF)));
        std::unique_ptr<QWidget> log(widget);
        QCOMPARE(log->findChild<QPushButton *>(QStringLiteral("updateData"))->text(), QStringLiteral("Обновить"));
        QCOMPARE(log->findChild<QTableWidget *>(QStringLiteral("tableWidget"))->horizontalHeaderItem(0)->text(),
                 QStringLiteral("Время"));
        // Messages from the worker thread too.
        auto *messages = log->findChild<QComboBox *>(QStringLiteral("log"));
        QTRY_VERIFY_WITH_TIMEOUT(messages->count() > 0
                                     && messages->itemText(messages->count() - 1).endsWith("Получение данных завершено"),
                                 30000);
        for (int i = 0; i < messages->count(); ++i)
            QVERIFY2(messages->itemText(i).contains(QRegularExpression("[а-яА-Я]")), qPrintable(messages->itemText(i)));

        // The texts the detector views share, in each view's own context.
        for (const char *method : {"createDtWidget", "createDtStatWidget"}) {
            QVERIFY(QMetaObject::invokeMethod(module, method, Q_RETURN_ARG(QWidget *, widget), Q_ARG(uint, 1),
                                              Q_ARG(QList<int>, QList<int>{1})));
            std::unique_ptr<QWidget> view(widget);
            QTRY_COMPARE_WITH_TIMEOUT(view->windowTitle(), QStringLiteral("Данные детектора 1 объекта 1"), 30000);
        }
    }

    void hostSpeaksRussian()
    {
        QProcess host;
        host.setProcessChannelMode(QProcess::MergedChannels);
        host.start(QStringLiteral(LUMOVIEW_HOST), {"--lang=ru_RU", "--help"});
        QVERIFY(host.waitForFinished(60000));
        const QString output = QString::fromUtf8(host.readAll());
        QVERIFY2(output.contains("Язык интерфейса, например ru или en."), qPrintable(output));
    }
};

QTEST_MAIN(TranslationsTest)
#include "tst_translations.moc"
