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
        // What the picture shows: a table, a chart, or a table left of a chart.
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("shows");
        QTest::newRow("log") << QStringList{"--view", "log"} << "table";
        QTest::newRow("log in Russian") << QStringList{"--view", "log", "--lang", "ru"} << "table";
        QTest::newRow("log filtered") << QStringList{"--view", "log", "--log-type", "Служба", "--log-search", "2"}
                                      << "table";
        QTest::newRow("signal groups in Russian") << QStringList{"--view", "sg", "--lang", "ru"} << "chart";
        for (const char *name : {"phases", "sg", "dt", "dtstat", "faults", "health"})
            QTest::newRow(name) << QStringList{"--view", QString::fromLatin1(name)} << "chart";
        QTest::newRow("database parameters") << QStringList{"--edit-db"} << "table";
        // The demo's picture: both docked, side by side, not as tabs.
        QTest::newRow("log beside signal groups")
                << QStringList{"--view", "log", "--view", "sg", "--side-by-side", "--screenshot-after-load", "1000"}
                << "table|chart";
    }

    void view()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, shows);
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
        struct Measure
        {
            int coloured = 0;
            int dark = 0;
            QSet<QRgb> colours;
        };
        const auto measure = [&picture](int left, int right) {
            Measure m;
            for (int y = 0; y < picture.height(); y += 2) {
                for (int x = left; x < right; x += 2) {
                    const QColor c(picture.pixel(x, y));
                    m.colours.insert(c.rgb());
                    m.coloured += c.hsvSaturation() > 80 && c.value() > 60;
                    m.dark += c.value() < 80;
                }
            }
            return m;
        };
        const Measure all = measure(0, picture.width());
        QVERIFY2(all.colours.size() > 64, qPrintable(QString::number(all.colours.size())));
        if (shows == QLatin1String("table|chart")) {
            // Both docked: the host pictures its window alone, not the screen
            // a floating dock would be on, so that no black screen shows.
            const QColor corner(picture.pixel(picture.width() - 4, picture.height() - 4));
            QVERIFY2(corner.value() > 100, "a view floats");
            // The table's third without the chart's colours, the chart's half with them.
            const Measure table = measure(0, picture.width() / 3);
            const Measure chart = measure(picture.width() / 2, picture.width());
            QVERIFY2(table.dark > 800 && table.coloured < 200,
                     qPrintable(QStringLiteral("%1 dark, %2 coloured").arg(table.dark).arg(table.coloured)));
            QVERIFY2(chart.coloured > 400, qPrintable(QString::number(chart.coloured)));
        } else {
            const bool chart = shows == QLatin1String("chart");
            QVERIFY2(chart ? all.coloured > 400 : all.dark > 800, qPrintable(QString::number(chart ? all.coloured : all.dark)));
        }
    }
};

QTEST_GUILESS_MAIN(ScreenshotsTest)
#include "tst_screenshots.moc"
