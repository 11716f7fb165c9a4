#include "LumoWidget.h"

#include "views/LiveFollow.h"
#include "views/ViewClock.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QIcon>
#include <QPushButton>
#include <QResizeEvent>

namespace {

// The host's pictures, shared by all views.
const QIcon &messageIcon(LogMessageType type)
{
    static const QIcon icons[] = {
        QIcon(QStringLiteral(":/Resources/eventlogInfo.png")),
        QIcon(QStringLiteral(":/Resources/SuccessComplete.png")),
        QIcon(QStringLiteral(":/Resources/eventlogError.png")),
        QIcon(QStringLiteral(":/Resources/eventlogWarn.png")),
    };
    const int index = int(type);
    return icons[index >= 0 && index < 4 ? index : 0];
}

} // namespace

// The overlay is a child of the view itself, so that it lies over the view
// wherever the view is placed (in a dock or as a window of its own).
LumoWidget::LumoWidget(QWidget *parent, uint object_id, QSqlDatabase *sharedDb, QMutex *dbMutex)
    : QWidget(parent)
    , progress(this)
    , db(this, sharedDb, dbMutex)
    , objectId(object_id)
{
    db.setObjectName(QStringLiteral("db"));
    connect(&db, &Database::complete, &progress, &QWidget::hide);
    connect(progress.cancelButton(), &QPushButton::clicked, &db, &Database::stop);
    connect(&db, &Database::rowsReceived, &progress, &Progress::setRowCount);
}

// Holds the GUI thread at most 3.5 s: the worker's grace (a statement it
// runs is cancelled on the server, so it ends at once), then its forced
// end. Nothing of the view is told: it is going.
LumoWidget::~LumoWidget()
{
    db.blockSignals(true);
    db.stopAndWait();
}

void LumoWidget::initControls()
{
    log = findChild<QComboBox *>(QStringLiteral("log"));
    updateData = findChild<QPushButton *>(QStringLiteral("updateData"));
    if (auto *dateEdit = findChild<QDateEdit *>(QStringLiteral("dateEdit"))) {
        const bool blocked = dateEdit->blockSignals(true);
        if (dateEdit->calendarWidget())
            dateEdit->calendarWidget()->setFirstDayOfWeek(Qt::Monday);
        dateEdit->setDate(ViewClock::today());
        dateEdit->blockSignals(blocked);
    }
}

int LumoWidget::followInterval() const
{
    return follow ? follow->interval() : 0;
}

void LumoWidget::setFollowInterval(int msecs)
{
    if (follow)
        follow->setInterval(msecs);
}

void LumoWidget::on_db_logMessage(QString msg, LogMessageType type)
{
    if (!log)
        return;
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("[yyyy-MM-dd hh:mm:ss] "));
    log->addItem(messageIcon(type), stamp + msg);
    while (log->count() > messageLineCapacity)
        log->removeItem(0);
    log->setCurrentIndex(log->count() - 1);
}

void LumoWidget::showProgress()
{
    progress.show();
    QResizeEvent event(size(), size());
    QCoreApplication::sendEvent(this, &event);
}

void LumoWidget::resizeEvent(QResizeEvent *event)
{
    if (!progress.isHidden()) {
        progress.move((event->size().width() - progress.width()) / 2,
                      (event->size().height() - progress.height()) / 2);
        return;
    }
    QWidget::resizeEvent(event);
}
