#ifndef VIEWCOMMANDS_H
#define VIEWCOMMANDS_H

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTimer>

class HostWindow;
class QSocketNotifier;
class ViewReport;

// Takes commands for the views from standard input, one a line, and works
// the views' own controls as a user would:
//
//   refresh VIEW           click the view's Refresh
//   date VIEW yyyy-MM-dd   set the view's date (the view then reads it)
//   cancel VIEW            click Cancel on the view's progress overlay
//   live on|off            set every view that can follow today to follow, or pause it
//   quit                   close the host
//
// Like a user, a command waits while its view still reads (its controls
// are disabled until the end of the load is handled, a moment after the
// view's last message); a Cancel with no load to cancel is refused at once.
// The host closes when standard input ends, so that hosts left behind by a
// program that drove them do not run on.
class ViewCommands : public QObject
{
    Q_OBJECT
public:
    ViewCommands(HostWindow *window, ViewReport *report);

private:
    enum class Outcome { Done, Refused, NotYet };

    void readInput();
    void runWaiting();
    Outcome run(const QByteArray &line);

    HostWindow *window;
    ViewReport *report;
    QSocketNotifier *notifier;
    QByteArray pending;
    // Commands in the order given; the first waits for its view.
    QList<QByteArray> waiting;
    QTimer retry;
};

#endif // VIEWCOMMANDS_H
