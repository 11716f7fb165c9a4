#include "ViewReport.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QLabel>
#include <QRegularExpression>
#include <QWidget>

#include <cstdio>

namespace {

const int pollMs = 50;

// One report line per line of output, whatever the text holds.
QString oneLine(QString text)
{
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.remove(QLatin1Char('\r'));
    return text;
}

} // namespace

ViewReport::ViewReport(QObject *parent)
    : QObject(parent)
{
    poll.setInterval(pollMs);
    connect(&poll, &QTimer::timeout, this, &ViewReport::checkAll);
}

void ViewReport::say(const QString &name, const QString &text)
{
    const QByteArray line = (name + QLatin1Char(' ') + oneLine(text) + QLatin1Char('\n')).toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fflush(stdout);
}

void ViewReport::watch(const QString &name, QWidget *view)
{
    // The views that read through a worker keep their messages in a combo
    // box; each new entry is one line, led by the time it was posted.
    if (auto *messages = view->findChild<QComboBox *>(QStringLiteral("log"))) {
        QAbstractItemModel *model = messages->model();
        connect(model, &QAbstractItemModel::rowsInserted, this,
                [this, name, model](const QModelIndex &parent, int first, int last) {
                    static const QRegularExpression stamp(QStringLiteral("^\\[[^\\]]*\\] "));
                    for (int row = first; row <= last; ++row)
                        say(name, QStringLiteral("line ")
                                      + model->index(row, 0, parent).data().toString().remove(stamp));
                });
    }
    if (auto *label = view->findChild<QLabel *>(QStringLiteral("status"))) {
        Status &status = statuses[name];
        status.view = view;
        status.label = label;
        check(name, status);
        poll.start();
    }
}

void ViewReport::check(const QString &name)
{
    auto it = statuses.find(name);
    if (it != statuses.end())
        check(name, *it);
}

void ViewReport::checkAll()
{
    for (auto it = statuses.begin(); it != statuses.end(); ++it)
        check(it.key(), *it);
}

void ViewReport::check(const QString &name, Status &status)
{
    if (!status.view || !status.label)
        return;
    // The view is disabled while its queries are out.
    const bool ready = status.view->isEnabled();
    const QString text = status.label->text();
    if (status.reported && ready == status.ready && text == status.text)
        return;
    status.reported = true;
    status.ready = ready;
    status.text = text;
    say(name, QStringLiteral("status %1 %2").arg(ready ? QStringLiteral("ready") : QStringLiteral("busy"), text));
}
