#include "ViewCommands.h"

#include "HostWindow.h"
#include "ViewReport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDateEdit>
#include <QSocketNotifier>

#include <unistd.h>

ViewCommands::ViewCommands(HostWindow *window, ViewReport *report)
    : QObject(window)
    , window(window)
    , report(report)
    , notifier(new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this))
{
    connect(notifier, &QSocketNotifier::activated, this, &ViewCommands::readInput);
}

void ViewCommands::readInput()
{
    char buffer[4096];
    const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (got <= 0) {
        notifier->setEnabled(false);
        window->close();
        return;
    }
    pending.append(buffer, int(got));
    int end;
    while ((end = pending.indexOf('\n')) >= 0) {
        const QByteArray line = pending.left(end).trimmed();
        pending.remove(0, end + 1);
        if (!line.isEmpty())
            run(line);
    }
}

void ViewCommands::run(const QByteArray &line)
{
    const QList<QByteArray> words = line.simplified().split(' ');
    const QByteArray &command = words.first();
    if (command == "quit") {
        window->close();
        return;
    }
    const QString name = QString::fromUtf8(words.value(1));
    QWidget *view = window->view(name);
    if (!view) {
        report->say(QStringLiteral("host"), QStringLiteral("error no view %1: %2").arg(name, QString::fromUtf8(line)));
        return;
    }
    QAbstractButton *button = nullptr;
    if (command == "refresh") {
        button = view->findChild<QAbstractButton *>(QStringLiteral("updateData"));
        if (!button)
            button = view->findChild<QAbstractButton *>(QStringLiteral("refreshButton"));
    } else if (command == "cancel") {
        // Only a load that is still on its way is cancelled.
        QWidget *overlay = view->findChild<QWidget *>(QStringLiteral("Progress"));
        if (overlay && !overlay->isHidden())
            button = overlay->findChild<QAbstractButton *>(QStringLiteral("cancel"));
    } else if (command == "date") {
        auto *dateEdit = view->findChild<QDateEdit *>(QStringLiteral("dateEdit"));
        const QDate date = QDate::fromString(QString::fromUtf8(words.value(2)), Qt::ISODate);
        if (dateEdit && date.isValid()) {
            dateEdit->setDate(date);
            report->check(name);
            return;
        }
    }
    // A disabled button does nothing when clicked: the view is still busy.
    if (!button || !button->isEnabled()) {
        report->say(QStringLiteral("host"), QStringLiteral("error cannot %1").arg(QString::fromUtf8(line)));
        return;
    }
    button->click();
    report->check(name);
}
