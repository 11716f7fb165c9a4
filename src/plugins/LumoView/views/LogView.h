#ifndef LOGVIEW_H
#define LOGVIEW_H

#include "views/LogFilter.h"
#include "views/LogRecords.h"
#include "views/LumoWidget.h"

#include <QPair>
#include <QStringList>
#include <QTime>
#include <QTimer>
#include <QVector>

class LogFilterBar;
class QDateEdit;
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
    // name. False (with `error` set) when the file cannot be opened.
    bool saveTo(const QString &fileName, QString *error = nullptr);

    QStringList shownEventTypes() const;
    void setShownEventTypes(const QStringList &types);
    QString searchText() const;
    void setSearchText(const QString &text);

private slots:
    void on_db_complete();
    void on_db_lumoLogData(const QDateTime &time, const QTime &dev_time, int type_id,
                           const QString &type, const QString &descr, int val, const QByteArray &data);
    void on_updateData_clicked(bool checked = false);
    void on_dateEdit_dateChanged(QDate date);
    void on_saveData_clicked();

private:
    void setupForm();
    // Rows are put into the table in batches, so that a big day costs no
    // layout work per row, and in slices of bounded time, so that the
    // window stays responsive while a backlog is worked off.
    void flushRows();
    // Table row `row` shows `record`: its cells are made, reused or removed.
    void showRecord(int row, int record);
    void setCell(int row, int column, int record, LogRecords::Field field, bool shown);
    int recordAt(int row) const;
    int selectedRecord() const;
    void selectRecord(int record, const QVector<int> &shown);
    void finishLoad();
    // The order of the last header click, applied once the rows are in.
    void applySortOrder();
    void reorderRows(const QVector<int> &shown);
    // While rows are put in or changed the table sorts nothing: a cell put
    // into the sorted column would otherwise be sorted in at once.
    void holdSorting();
    void releaseSorting();
    LogRecords::Field fieldOf(int column) const;
    void noteHeaderSort(int section, Qt::SortOrder order);
    // Every record in the order of the header, with the clicks since the
    // load applied.
    const QVector<int> &sortedRecords();

    // A changed filter is applied in slices of bounded time: the records are
    // looked at, then the table's rows are pointed at those that pass.
    void applyFilter();
    void runFilterJob(bool toTheEnd = false);
    void cancelFilterJob();
    void finishFilterJob();
    void jumpTo(const QTime &time);
    void updateCounts();

    // The table as saved: the header, then every row with five fields.
    QVector<QStringList> tableRows() const;

    const uint ver;
    QTextCodec *codec;
    QDateEdit *dateEdit;
    QTableWidget *tableWidget;
    LogFilterBar *filterBar;
    SearchHighlightDelegate *highlighter;
    // Every row of the current load; the table's cells show them.
    LogRecords records;
    // The filter the table's rows are shown by.
    LogFilter filter;
    // Records the filter has looked at so far in this load.
    int examined = 0;
    // A load is under way: the rows are in arrival order.
    bool loading = false;
    // The worker has delivered the last row; the load ends once it is shown.
    bool loadComplete = false;
    // The sort chosen by the user, kept while the table sorts nothing.
    int sortSection = 0;
    Qt::SortOrder sortOrder = Qt::AscendingOrder;
    // After a load: every record in the order of the header, and the header
    // clicks since, by which the table sorted its rows but not yet this.
    QVector<int> order;
    QVector<QPair<int, Qt::SortOrder>> laterSorts;
    QTimer flushTimer;
    bool sizedColumns = false;

    struct FilterJob
    {
        bool active = false;
        // The records are looked at; then the table's rows are changed.
        bool swapping = false;
        LogFilter target;
        QVector<int> source;
        int scanned = 0;
        QVector<int> matched;
        int common = 0;
        int swapped = 0;
        int selected = -1;
    };
    FilterJob job;
    QTimer jobTimer;
    // A jump asked for while a filter is being applied.
    QTime pendingJump;
};

#endif // LOGVIEW_H
