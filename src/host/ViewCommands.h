#ifndef VIEWCOMMANDS_H
#define VIEWCOMMANDS_H

#include <QByteArray>
#include <QObject>

class HostWindow;
class QSocketNotifier;
class ViewReport;

// Takes commands for the views from standard input, one a line, and works
// the views' own controls as a user would:
//
//   refresh VIEW           click the view's Refresh
//   date VIEW yyyy-MM-dd   set the view's date (the view then reads it)
//   cancel VIEW            click Cancel on the view's progress overlay
//   quit                   close the host
//
// The host closes when standard input ends, so that hosts left behind by a
// program that drove them do not run on.
class ViewCommands : public QObject
{
    Q_OBJECT
public:
    ViewCommands(HostWindow *window, ViewReport *report);

private:
    void readInput();
    void run(const QByteArray &line);

    HostWindow *window;
    ViewReport *report;
    QSocketNotifier *notifier;
    QByteArray pending;
};

#endif // VIEWCOMMANDS_H
