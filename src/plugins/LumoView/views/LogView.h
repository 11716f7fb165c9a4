#ifndef LOGVIEW_H
#define LOGVIEW_H

#include "views/LumoWidget.h"

#include <QStringList>
#include <QTimer>
#include <QVector>

class QDateEdit;
class QTableWidget;
class QTableWidgetItem;
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
    void on_db_lumoLogData(QDateTime time, QTime dev_time, int type_id, QString type,
                           QString descr, int val, QByteArray data);
    void on_updateData_clicked(bool checked = false);
    void on_dateEdit_dateChanged(QDate date);
    void on_saveData_clicked();

private:
    void setupForm();
    // Rows are put into the table in batches, so that a big day costs no
    // layout work per row.
    void flushRows();
    void discardPendingRows();
    // The table as saved: the header, then every row with five fields.
    QVector<QStringList> tableRows() const;

    const uint ver;
    QTextCodec *codec;
    QDateEdit *dateEdit;
    QTableWidget *tableWidget;
    QVector<QVector<QTableWidgetItem *>> pendingRows;
    QTimer flushTimer;
    bool sizedColumns = false;
};

#endif // LOGVIEW_H
