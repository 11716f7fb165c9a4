// The Russian interface: every text the sources mark for translation has a
// finished Russian translation, the module loaded under a Russian locale
// shows it, and so does the host started with --lang ru.
#include <QComboBox>
#include <QDomDocument>
#include <QMainWindow>
#include <QPluginLoader>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Message
{
    QString context, source, translation;
    bool finished = false;
};

QVector<Message> readTs(const QString &fileName, QString *error)
{
    QFile file(fileName);
    QDomDocument doc;
    if (!file.open(QIODevice::ReadOnly) || !doc.setContent(&file, error)) {
        if (error && error->isEmpty())
            *error = file.errorString();
        return {};
    }
    QVector<Message> messages;
    for (QDomElement c = doc.documentElement().firstChildElement(QStringLiteral("context")); !c.isNull();
         c = c.nextSiblingElement(QStringLiteral("context"))) {
        const QString context = c.firstChildElement(QStringLiteral("name")).text();
        for (QDomElement m = c.firstChildElement(QStringLiteral("message")); !m.isNull();
             m = m.nextSiblingElement(QStringLiteral("message"))) {
            const QDomElement t = m.firstChildElement(QStringLiteral("translation"));
            const QString type = t.attribute(QStringLiteral("type"));
            messages.append({context, m.firstChildElement(QStringLiteral("source")).text(), t.text(),
                             type.isEmpty() && !t.text().isEmpty()});
        }
    }
    return messages;
}

// %1 … %99, %L1 and %n: a translation must use the same ones.
QStringList placeholders(const QString &text)
{
    static const QRegularExpression marker(QStringLiteral("%L?(\\d+|n)"));
    QStringList found;
    auto it = marker.globalMatch(text);
    while (it.hasNext())
        found << it.next().captured(0);
    found.sort();
    return found;
}

bool cyrillic(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x0400 && c.unicode() <= 0x04FF)
            return true;
    }
    return false;
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
        QTest::newRow("host") << root + "/src/host/translations/lumoview-host_ru.ts"
                              << QStringList{root + "/src/host"};
    }

    void everyTextTranslated()
    {
        QFETCH(QString, ts);
        QFETCH(QStringList, sources);
        QString error;
        const QVector<Message> committed = readTs(ts, &error);
        QVERIFY2(!committed.isEmpty(), qPrintable(ts + ": " + error));

        // The texts as the sources mark them today, so that a new text
        // without its translation fails here rather than in front of an
        // operator.
        QTemporaryDir dir;
        const QString fresh = dir.filePath(QStringLiteral("fresh.ts"));
        QProcess lupdate;
        lupdate.setProcessChannelMode(QProcess::MergedChannels);
        lupdate.start(QStringLiteral(LUMOVIEW_LUPDATE),
                      QStringList{QStringLiteral("-silent"), QStringLiteral("-locations"), QStringLiteral("none")}
                          + sources + QStringList{QStringLiteral("-ts"), fresh});
        QVERIFY(lupdate.waitForFinished(120000));
        QVERIFY2(lupdate.exitCode() == 0, lupdate.readAll().constData());
        const QVector<Message> marked = readTs(fresh, &error);
        QVERIFY2(!marked.isEmpty(), qPrintable(error));

        QHash<QPair<QString, QString>, Message> byKey;
        for (const Message &m : committed)
            byKey.insert({m.context, m.source}, m);
        QStringList problems;
        for (const Message &m : marked) {
            const auto it = byKey.constFind({m.context, m.source});
            if (it == byKey.constEnd())
                problems << QStringLiteral("not in the .ts file: %1 \"%2\"").arg(m.context, m.source);
            else if (!it->finished)
                problems << QStringLiteral("unfinished: %1 \"%2\"").arg(m.context, m.source);
            else if (placeholders(it->translation) != placeholders(m.source))
                problems << QStringLiteral("other placeholders: %1 \"%2\" -> \"%3\"")
                                .arg(m.context, m.source, it->translation);
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    void moduleSpeaksTheHostsLanguage()
    {
        const QString url = qEnvironmentVariable("LUMOVIEW_TEST_PG_URL");
        if (url.isEmpty())
            QSKIP("No test server: run through scripts/dbserver");
        // The host chooses the language before it loads the module.
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        QMainWindow window;
        window.show();
        QPluginLoader loader{QStringLiteral(LUMOVIEW_MODULE_FILE)};
        QObject *module = loader.instance();
        QVERIFY2(module, qPrintable(loader.errorString()));
        QString answer;
        QVERIFY(QMetaObject::invokeMethod(module, "setDatabaseUrl", Q_RETURN_ARG(QString, answer),
                                          Q_ARG(QString, url)));
        QCOMPARE(answer, QStringLiteral("OK"));

        QWidget *widget = nullptr;
        QVERIFY(QMetaObject::invokeMethod(module, "createLogWidget", Q_RETURN_ARG(QWidget *, widget),
                                          Q_ARG(uint, 1), Q_ARG(uint, 0x5FFFF)));
        QVERIFY(widget);
        auto *refresh = widget->findChild<QPushButton *>(QStringLiteral("updateData"));
        QVERIFY(refresh);
        QCOMPARE(refresh->text(), QStringLiteral("Обновить"));
        auto *table = widget->findChild<QTableWidget *>(QStringLiteral("tableWidget"));
        QCOMPARE(table->horizontalHeaderItem(0)->text(), QStringLiteral("Время"));
        QCOMPARE(widget->findChild<QPushButton *>(QStringLiteral("cancel"))->text(), QStringLiteral("Отмена"));
        // Messages from the worker thread too.
        auto *log = widget->findChild<QComboBox *>(QStringLiteral("log"));
        QTRY_VERIFY_WITH_TIMEOUT(log->count() > 0
                                     && log->itemText(log->count() - 1).endsWith(
                                         QStringLiteral("Получение данных завершено")),
                                 30000);
        for (int i = 0; i < log->count(); ++i)
            QVERIFY2(cyrillic(log->itemText(i)), qPrintable(log->itemText(i)));
        delete widget;

        // The texts the detector views share, in each view's own context.
        for (const char *method : {"createDtWidget", "createDtStatWidget"}) {
            QVERIFY(QMetaObject::invokeMethod(module, method, Q_RETURN_ARG(QWidget *, widget), Q_ARG(uint, 1),
                                              Q_ARG(QList<int>, QList<int>{1})));
            QTRY_COMPARE_WITH_TIMEOUT(widget->windowTitle(), QStringLiteral("Данные детектора 1 объекта 1"), 30000);
            delete widget;
        }
        QLocale::setDefault(QLocale::c());
    }

    void hostHelp_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Russian") << QStringList{"--lang", "ru", "--help"}
                                 << QStringLiteral("Язык интерфейса, например ru или en.");
        QTest::newRow("Russian, one argument") << QStringList{"--lang=ru_RU", "--help"}
                                               << QStringLiteral("Рабочее место для модуля LumoView");
        QTest::newRow("English") << QStringList{"--lang", "en", "--help"}
                                 << QStringLiteral("Interface language, for example ru or en.");
    }

    void hostHelp()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, expected);
        QProcess host;
        host.setProcessChannelMode(QProcess::MergedChannels);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
        host.setProcessEnvironment(env);
        host.start(QStringLiteral(LUMOVIEW_HOST), arguments);
        QVERIFY(host.waitForFinished(60000));
        const QString output = QString::fromUtf8(host.readAll());
        QVERIFY2(output.contains(expected), qPrintable(output));
    }
};

QTEST_MAIN(TranslationsTest)
#include "tst_translations.moc"
