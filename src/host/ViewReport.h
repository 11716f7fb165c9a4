#ifndef VIEWREPORT_H
#define VIEWREPORT_H

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QLabel;
class QWidget;

// Tells another program, a line at a time on standard output, what the
// views show: every line added to a view's message line and every change
// of a view's status line (its text, and whether the view takes input or
// still reads). A benchmark that runs many hosts follows them this way.
//
//   VIEW line TEXT
//   VIEW status ready|busy TEXT
//   host TEXT
class ViewReport : public QObject
{
    Q_OBJECT
public:
    explicit ViewReport(QObject *parent = nullptr);

    void watch(const QString &name, QWidget *view);
    // Reports the view's status line at once if it changed: after a command
    // the reader learns the view's new state before anything else of it.
    void check(const QString &name);
    void say(const QString &name, const QString &text);

private:
    struct Status
    {
        QPointer<QWidget> view;
        QPointer<QLabel> label;
        QString text;
        bool ready = false;
        bool reported = false;
    };

    void checkAll();
    void check(const QString &name, Status &status);

    QHash<QString, Status> statuses;
    // A label says nothing when its text changes.
    QTimer poll;
};

#endif // VIEWREPORT_H
