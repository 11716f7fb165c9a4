#include "ViewCommands.h"

#include "HostWindow.h"
#include "ViewReport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDateEdit>
#include <QSocketNotifier>

#include <unistd.h>

namespace {

const int retryMs = 50;

QAbstractButton *refreshButton(QWidget *view)
{
    if (auto *button = view->findChild<QAbstractButton *>(QStringLiteral("updateData")))
        return button;
    return view->findChild<QAbstractButton *>(QStringLiteral("refreshButton"));
}

} // namespace

ViewCommands::ViewCommands(HostWindow *window, ViewReport *report)
    : QObject(window)
    , window(window)
    , report(report)
    , notifier(new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this))
{
    connect(notifier, &QSocketNotifier::activated, this, &ViewCommands::readInput);
    retry.setInterval(retryMs);
    connect(&retry, &QTimer::timeout, this, &ViewCommands::runWaiting);
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
        const QByteArray line = pending.left(end).simplified();
        pending.remove(0, end + 1);
        if (!line.isEmpty())
            waiting.append(line);
    }
    runWaiting();
}

void ViewCommands::runWaiting()
{
    while (!waiting.isEmpty()) {
        if (run(waiting.first()) == Outcome::NotYet) {
            retry.start();
            return;
        }
        waiting.removeFirst();
    }
    retry.stop();
}

ViewCommands::Outcome ViewCommands::run(const QByteArray &line)
{
    const QList<QByteArray> words = line.split(' ');
    const QByteArray &command = words.first();
    if (command == "quit") {
        window->close();
        return Outcome::Done;
    }
    const QString name = QString::fromUtf8(words.value(1));
    const auto refuse = [this, &line](const QString &why) {
        report->say(QStringLiteral("host"), QStringLiteral("error %1: %2").arg(why, QString::fromUtf8(line)));
        return Outcome::Refused;
    };
    if (command == "live") {
        // Every view that can follow now is set to follow or paused.
        if (name != QLatin1String("on") && name != QLatin1String("off"))
            return refuse(QStringLiteral("live takes on or off"));
        const bool on = name == QLatin1String("on");
        for (QAbstractButton *live : window->findChildren<QAbstractButton *>(QStringLiteral("live"))) {
            if (live->isVisibleTo(window) && live->isChecked() != on)
                live->click();
        }
        return Outcome::Done;
    }
    QWidget *view = window->view(name);
    if (!view)
        return refuse(QStringLiteral("no view %1").arg(name));

    if (command == "cancel") {
        // Only a load that is still on its way is cancelled.
        QWidget *overlay = view->findChild<QWidget *>(QStringLiteral("Progress"));
        auto *cancel = overlay ? overlay->findChild<QAbstractButton *>(QStringLiteral("cancel")) : nullptr;
        if (!cancel || overlay->isHidden() || !cancel->isEnabled())
            return refuse(QStringLiteral("nothing to cancel"));
        cancel->click();
        report->check(name);
        return Outcome::Done;
    }
    QAbstractButton *refresh = refreshButton(view);
    if (command != "refresh" && command != "date")
        return refuse(QStringLiteral("unknown command"));
    if (!refresh)
        return refuse(QStringLiteral("no Refresh"));
    if (!refresh->isEnabled())
        return Outcome::NotYet;
    if (command == "date") {
        auto *dateEdit = view->findChild<QDateEdit *>(QStringLiteral("dateEdit"));
        const QDate date = QDate::fromString(QString::fromUtf8(words.value(2)), Qt::ISODate);
        if (!dateEdit || !date.isValid())
            return refuse(QStringLiteral("no such date"));
        dateEdit->setDate(date);
    } else {
        refresh->click();
    }
    report->check(name);
    return Outcome::Done;
}
