#include "HostKernel.h"
#include "HostWindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QTimer>

static QString defaultModulePath()
{
    // The build puts the module into plugins/ beside the host's own folder.
    const QDir appDir(QCoreApplication::applicationDirPath());
    return QDir::cleanPath(appDir.filePath(QStringLiteral("../plugins/libLumoView.so")));
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("lumoview-host"));
    new Road::Kernel(&app);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Workstation host for the LumoView module"));
    parser.addHelpOption();
    const QCommandLineOption moduleOption(QStringLiteral("module"), QStringLiteral("Plug-in file to load."),
                                          QStringLiteral("file"), defaultModulePath());
    const QCommandLineOption dbOption(QStringLiteral("db"), QStringLiteral("Database URL."), QStringLiteral("url"));
    const QCommandLineOption objectOption(QStringLiteral("object"), QStringLiteral("Controller object number."),
                                          QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption viewOption(QStringLiteral("view"),
                                        QStringLiteral("View to open: log, phases, sg, dt, dtstat, faults, health (repeatable)."),
                                        QStringLiteral("name"));
    const QCommandLineOption shotOption(QStringLiteral("screenshot"),
                                        QStringLiteral("Save a picture of the window, then quit."),
                                        QStringLiteral("file"));
    const QCommandLineOption delayOption(QStringLiteral("screenshot-delay"),
                                         QStringLiteral("Milliseconds to wait before the picture."),
                                         QStringLiteral("ms"), QStringLiteral("1000"));
    const QCommandLineOption editOption(QStringLiteral("edit-db"),
                                        QStringLiteral("Open the database parameters dialog at start."));
    parser.addOptions({moduleOption, dbOption, objectOption, viewOption, shotOption, delayOption, editOption});
    parser.process(app);

    HostWindow window;
    window.show();
    const bool loaded = window.loadModule(parser.value(moduleOption));
    if (loaded && parser.isSet(dbOption))
        window.setDatabaseUrl(parser.value(dbOption));
    const uint objectId = parser.value(objectOption).toUInt();
    if (loaded) {
        const QStringList views = parser.values(viewOption);
        for (const QString &view : views)
            window.openView(view, objectId);
    }
    if (parser.isSet(shotOption))
        window.scheduleScreenshot(parser.value(shotOption), parser.value(delayOption).toInt());
    if (loaded && parser.isSet(editOption))
        QTimer::singleShot(0, &window, &HostWindow::editDatabaseSettings);
    return app.exec();
}
