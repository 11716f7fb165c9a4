#ifndef LOGVIEW_H
#define LOGVIEW_H

#include "views/LogRecords.h"
#include "views/LumoWidget.h"

#include <QStringList>
#include <QTimer>
#include <QVector>

class QDateEdit;
class QTableWidget;
class QTextCodec;

// A controller's event log of one day as a table, saved as a
// semicolon-separated file.
class LogView : public LumoWidget
{
    Q_OBJECT
public:
    LogView(QWidget *parent, uint object_id, uint ver, QSqlDatabase *db, QMutex *dbMutex);
    ~LogView() override;

    uint generation() const { return ver; }
    // Writes the table as the Save button does, without asking for a name.
    // False (with `error` set) when the file cannot be opened.
    bool saveTo(const QString &fileName, QString *error = nullptr) const;

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
    void finishLoad();
    // The order of the last header click, applied once the rows are in.
    void applySortOrder();
    void reorderRows(const QVector<int> &order);
    // The table as saved: the header, then every row with five fields.
    QVector<QStringList> tableRows() const;

    const uint ver;
    QTextCodec *codec;
    QDateEdit *dateEdit;
    QTableWidget *tableWidget;
    // Every row of the current load; the table's cells show them.
    LogRecords records;
    // Records that have their table row so far.
    int shownRows = 0;
    // A load is under way: the rows are in arrival order.
    bool loading = false;
    // The worker has delivered the last row; the load ends once it is shown.
    bool loadComplete = false;
    // The sort chosen by the user, kept while a load is under way.
    int sortSection = 0;
    Qt::SortOrder sortOrder = Qt::AscendingOrder;
    QTimer flushTimer;
    bool sizedColumns = false;
};

#endif // LOGVIEW_H
