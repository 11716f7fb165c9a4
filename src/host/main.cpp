#include "HostKernel.h"
#include "HostWindow.h"
#include "ViewCommands.h"
#include "ViewReport.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

static QString defaultModulePath()
{
    // The build puts the module into plugins/ beside the host's own folder.
    const QDir appDir(QCoreApplication::applicationDirPath());
    return QDir::cleanPath(appDir.filePath(QStringLiteral("../plugins/libLumoView.so")));
}

// The interface language is chosen before anything is shown, the help text
// included, so --lang is looked for ahead of the parser.
static QString languageArgument(const QStringList &arguments)
{
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (a.startsWith(QLatin1String("--lang=")))
            return a.mid(7);
        if (a == QLatin1String("--lang") && i + 1 < arguments.size())
            return arguments.at(i + 1);
    }
    return QString();
}

// Qt's own texts (dialog buttons, file dialogs) and the host's; the module
// loads its own when it is loaded.
static void installTranslators(QApplication *app)
{
    auto *qt = new QTranslator(app);
    if (qt->load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::location(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    auto *host = new QTranslator(app);
    if (host->load(QLocale(), QStringLiteral("lumoview-host"), QStringLiteral("_"), QStringLiteral(":/i18n")))
        QCoreApplication::installTranslator(host);
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("lumoview-host"));
    const QString language = languageArgument(QCoreApplication::arguments());
    if (!language.isEmpty())
        QLocale::setDefault(QLocale(language));
    installTranslators(&app);
    new Road::Kernel(&app);

    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate("main", "Workstation host for the LumoView module"));
    parser.addHelpOption();
    const QCommandLineOption moduleOption(QStringLiteral("module"), QCoreApplication::translate("main", "Plug-in file to load."),
                                          QStringLiteral("file"), defaultModulePath());
    const QCommandLineOption dbOption(QStringLiteral("db"), QCoreApplication::translate("main", "Database URL."), QStringLiteral("url"));
    const QCommandLineOption objectOption(QStringLiteral("object"), QCoreApplication::translate("main", "Controller object number."),
                                          QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption viewOption(QStringLiteral("view"),
                                        QCoreApplication::translate("main", "View to open: log, phases, sg, dt, dtstat, faults, health (repeatable)."),
                                        QStringLiteral("name"));
    const QCommandLineOption shotOption(QStringLiteral("screenshot"),
                                        QCoreApplication::translate("main", "Save a picture of the window, then quit."),
                                        QStringLiteral("file"));
    const QCommandLineOption delayOption(QStringLiteral("screenshot-delay"),
                                         QCoreApplication::translate("main", "Milliseconds to wait before the picture."),
                                         QStringLiteral("ms"), QStringLiteral("1000"));
    const QCommandLineOption afterLoadOption(
            QStringLiteral("screenshot-after-load"),
            QCoreApplication::translate("main", "Milliseconds to wait once the views have loaded, before the picture."),
            QStringLiteral("ms"), QStringLiteral("0"));
    const QCommandLineOption sideOption(QStringLiteral("side-by-side"),
                                        QCoreApplication::translate("main", "Place the views side by side instead of as tabs."));
    const QCommandLineOption editOption(QStringLiteral("edit-db"),
                                        QCoreApplication::translate("main", "Open the database parameters dialog at start."));
    const QCommandLineOption langOption(QStringLiteral("lang"),
                                        QCoreApplication::translate("main", "Interface language, for example ru or en."),
                                        QStringLiteral("language"));
    const QCommandLineOption searchOption(QStringLiteral("log-search"),
                                          QCoreApplication::translate("main", "Search text of the event log views."),
                                          QStringLiteral("text"));
    const QCommandLineOption typeOption(QStringLiteral("log-type"),
                                        QCoreApplication::translate("main", "Event type the event log views show (repeatable)."),
                                        QStringLiteral("name"));
    const QCommandLineOption reportOption(
        QStringLiteral("report"),
        QCoreApplication::translate("main", "Report the views' message and status lines on standard output."));
    const QCommandLineOption commandsOption(
        QStringLiteral("commands"),
        QCoreApplication::translate("main", "Take commands for the views on standard input (refresh, date, cancel, "
                                            "quit); quit when it ends."));
    parser.addOptions({moduleOption, dbOption, objectOption, viewOption, shotOption, delayOption, afterLoadOption,
                       sideOption, editOption, langOption, searchOption, typeOption, reportOption, commandsOption});
    parser.process(app);

    HostWindow window;
    window.setSideBySide(parser.isSet(sideOption));
    window.show();
    ViewReport *report = nullptr;
    if (parser.isSet(reportOption) || parser.isSet(commandsOption))
        report = new ViewReport(&window);
    const bool loaded = window.loadModule(parser.value(moduleOption));
    if (loaded && parser.isSet(dbOption))
        window.setDatabaseUrl(parser.value(dbOption));
    const uint objectId = parser.value(objectOption).toUInt();
    if (loaded) {
        const QStringList views = parser.values(viewOption);
        for (const QString &view : views) {
            // Watched from the start: the views begin reading at once.
            if (window.openView(view, objectId) && report)
                report->watch(view, window.view(view));
        }
        // Through the views' properties, as a workstation would set them.
        for (QWidget *log : window.findChildren<QWidget *>(QStringLiteral("LogView"))) {
            if (parser.isSet(typeOption))
                log->setProperty("shownEventTypes", parser.values(typeOption));
            if (parser.isSet(searchOption))
                log->setProperty("searchText", parser.value(searchOption));
        }
    }
    if (report) {
        report->say(QStringLiteral("host"), loaded ? QStringLiteral("ready") : QStringLiteral("error no module"));
        if (parser.isSet(commandsOption))
            new ViewCommands(&window, report);
    }
    if (parser.isSet(shotOption))
        window.scheduleScreenshot(parser.value(shotOption), parser.value(delayOption).toInt(),
                                  parser.value(afterLoadOption).toInt());
    if (loaded && parser.isSet(editOption))
        QTimer::singleShot(0, &window, &HostWindow::editDatabaseSettings);
    return app.exec();
}
