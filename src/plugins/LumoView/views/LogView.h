#ifndef LOGVIEW_H
#define LOGVIEW_H

#include "views/BackgroundTask.h"
#include "views/LumoWidget.h"

#include <QStringList>
#include <QTime>
#include <QTimer>

#include <atomic>
#include <memory>

class LogCsvExport;
class LogFilterBar;
class LogRowIntake;
class LogTable;
class QDateEdit;
class QPushButton;
class QTableWidget;
class QTextCodec;
class SearchHighlightDelegate;

// A controller's event log of one day as a table, saved as a
// semicolon-separated file. The rows shown can be narrowed to event types
// and to a search text, and the table jumps to a time of day.
class LogView : public LumoWidget
{
    Q_OBJECT
    // The filter as a host sets it: the event types shown (none for all)
    // and the search text. Kept across loads.
    Q_PROPERTY(QStringList shownEventTypes READ shownEventTypes WRITE setShownEventTypes)
    Q_PROPERTY(QString searchText READ searchText WRITE setSearchText)
public:
    LogView(QWidget *parent, uint object_id, uint ver, QSqlDatabase *db, QMutex *dbMutex);
    ~LogView() override;

    uint generation() const { return ver; }
    // Writes the rows shown as the Save button does, without asking for a
    // name, before it returns. False (with `error` set) when the file
    // cannot be written.
    bool saveTo(const QString &fileName, QString *error = nullptr);
    // Save writes in the background; true until the file is written.
    bool isSaving() const { return saveTask.isRunning(); }

    QStringList shownEventTypes() const;
    void setShownEventTypes(const QStringList &types);
    QString searchText() const;
    void setSearchText(const QString &text);

private slots:
    void on_db_complete();
    // Called in the worker's thread as it reads each row (and in the GUI
    // thread by whoever delivers rows by hand): the row waits in `intake`.
    void on_db_lumoLogData(const QDateTime &time, const QTime &dev_time, int type_id,
                           const QString &type, const QString &descr, int val, const QByteArray &data);
    void on_updateData_clicked(bool checked = false);
    void on_dateEdit_dateChanged(QDate date);
    void on_saveData_clicked();

private:
    void setupForm();
    // The rows waiting in `intake` go to the table, in slices of bounded time.
    void takeRows();
    void finishLoad();
    void tableChanged(int shown, int total);
    void tableSettled();
    void jumpTo(const QTime &time);

    LogCsvExport exportOfShownRows() const;
    void startSave(const QString &fileName);
    void saveFinished();
    void showSaveProgress();

    const uint ver;
    QTextCodec *codec;
    QDateEdit *dateEdit;
    QTableWidget *tableWidget;
    QPushButton *saveData;
    LogFilterBar *filterBar;
    SearchHighlightDelegate *highlighter;
    LogTable *table;
    LogRowIntake *intake;
    QTimer takeTimer;
    // The worker has delivered the last row; the load ends once it is shown.
    bool loadComplete = false;
    // The same for a follow step.
    bool stepComplete = false;
    QDate loadedDate;
    bool sizedColumns = false;
    int shownTotal = -1;
    // A jump asked for while the table's rows change.
    QTime pendingJump;

    // Save: the file asked for while the table's rows changed, and the run
    // in the background.
    QString pendingSave;
    BackgroundTask saveTask;
    QTimer saveProgress;
    struct SaveRun;
    std::shared_ptr<SaveRun> saveRun;
    QString saveText;
};

#endif // LOGVIEW_H
