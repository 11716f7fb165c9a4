#ifndef LUMOWIDGET_H
#define LUMOWIDGET_H

#include "database/Database.h"
#include "database/LogMessageType.h"
#include "views/Progress.h"

#include <QWidget>

class LiveFollow;
class QComboBox;
class QPushButton;

// Base of the views that read through a Database worker: owns the worker,
// the progress overlay and the message line.
class LumoWidget : public QWidget
{
    Q_OBJECT
    // Milliseconds between the steps of a view that follows its period up
    // to now; 0 for a view that does not.
    Q_PROPERTY(int followInterval READ followInterval WRITE setFollowInterval)
public:
    LumoWidget(QWidget *parent, uint object_id, QSqlDatabase *db, QMutex *dbMutex);
    ~LumoWidget() override;

    uint objectNumber() const { return objectId; }
    Database *worker() { return &db; }
    Progress *progressOverlay() { return &progress; }
    // What keeps the view following now; null for a view that does not.
    LiveFollow *follower() const { return follow; }
    int followInterval() const;
    void setFollowInterval(int msecs);

    // The message line keeps this many of the newest lines: a view that
    // retries through an outage posts several a second.
    static const int messageLineCapacity = 500;

public slots:
    void on_db_logMessage(QString msg, LogMessageType type = Info);

protected:
    // Called by every view right after its form is built.
    void initControls();
    // Shows the overlay centred over the view before a request.
    void showProgress();
    void resizeEvent(QResizeEvent *event) override;

    Progress progress;
    Database db;
    uint objectId;
    QComboBox *log = nullptr;
    QPushButton *updateData = nullptr;
    LiveFollow *follow = nullptr;
};

#endif // LUMOWIDGET_H
