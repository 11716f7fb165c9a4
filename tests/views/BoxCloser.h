#ifndef BOXCLOSER_H
#define BOXCLOSER_H

#include <QApplication>
#include <QMessageBox>
#include <QStringList>

// Answers the message boxes a view opens and remembers their texts, so
// that a test can run code that waits on a modal box.
class BoxCloser : public QObject
{
public:
    QStringList texts;

    BoxCloser() { startTimer(20); }

protected:
    void timerEvent(QTimerEvent *) override
    {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            texts << box->text();
            box->done(QMessageBox::Ok);
        }
    }
};

#endif // BOXCLOSER_H
