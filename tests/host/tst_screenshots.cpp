// The host as a user starts it, under Xvfb, one view at a time: the picture
// it saves once the view's data is complete must show that data.
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class ScreenshotsTest : public QObject
{
    Q_OBJECT

private slots:
    void view_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("chart");
        QTest::newRow("log") << QStringList{"--view", "log"} << false;
        QTest::newRow("log in Russian") << QStringList{"--view", "log", "--lang", "ru"} << false;
        QTest::newRow("log filtered") << QStringList{"--view", "log", "--log-type", "Служба", "--log-search", "2"}
                                      << false;
        QTest::newRow("signal groups in Russian") << QStringList{"--view", "sg", "--lang", "ru"} << true;
        for (const char *name : {"phases", "sg", "dt", "dtstat", "faults", "health"})
            QTest::newRow(name) << QStringList{"--view", QString::fromLatin1(name)} << true;
        QTest::newRow("database parameters") << QStringList{"--edit-db"} << false;
    }

    void view()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, chart);
        const QString url = qEnvironmentVariable("LUMOVIEW_TEST_PG_URL");
        if (url.isEmpty())
            QSKIP("No test server: run through scripts/dbserver");
        if (QStandardPaths::findExecutable(QStringLiteral("xvfb-run")).isEmpty())
            QSKIP("xvfb-run is not installed");
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("shot.png"));
        QProcess host;
        host.setProcessChannelMode(QProcess::MergedChannels);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM")); // a real X server this time
        // The charts draw without OpenGL; Mesa's GLX driver, once unloaded,
        // leaves allocations the leak checker cannot attribute.
        env.insert(QStringLiteral("QT_XCB_GL_INTEGRATION"), QStringLiteral("none"));
        host.setProcessEnvironment(env);
        host.start("xvfb-run", QStringList{"-a", "-s", "-screen 0 1600x1000x24", LUMOVIEW_HOST, "--db", url, "--object",
                                           "1", "--screenshot", file, "--screenshot-delay", "4000"} + arguments);
        QVERIFY2(host.waitForFinished(120000), "the host did not quit after its screenshot");
        QVERIFY2(host.exitStatus() == QProcess::NormalExit && host.exitCode() == 0, host.readAll().constData());

        const QImage picture = QImage(file).convertToFormat(QImage::Format_RGB32);
        QVERIFY2(!picture.isNull(), "no picture saved");
        // Widgets are grey; curves, bars and candles are not, so a chart
        // without its data shows hardly any colour. A table shows its rows
        // as dark text, the dialog its labels and fields.
        int coloured = 0;
        int dark = 0;
        QSet<QRgb> colours;
        for (int y = 0; y < picture.height(); y += 2) {
            for (int x = 0; x < picture.width(); x += 2) {
                const QColor c(picture.pixel(x, y));
                colours.insert(c.rgb());
                coloured += c.hsvSaturation() > 80 && c.value() > 60;
                dark += c.value() < 80;
            }
        }
        QVERIFY2(colours.size() > 64, qPrintable(QString::number(colours.size())));
        QVERIFY2(chart ? coloured > 400 : dark > 800, qPrintable(QString::number(chart ? coloured : dark)));
    }
};

QTEST_GUILESS_MAIN(ScreenshotsTest)
#include "tst_screenshots.moc"
