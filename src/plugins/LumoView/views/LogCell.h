#ifndef LOGCELL_H
#define LOGCELL_H

#include "views/LogRecords.h"

#include <QTableWidgetItem>

// A cell of the event-log table: it keeps no text of its own but shows and
// sorts by its field of a record, so a day of rows costs one small item per
// cell and no formatting until a cell is drawn or saved.
class LogCell : public QTableWidgetItem
{
public:
    enum { Type = QTableWidgetItem::UserType + 1 };

    LogCell(const LogRecords *records, int record, LogRecords::Field field);

    QTableWidgetItem *clone() const override;
    QVariant data(int role) const override;
    bool operator<(const QTableWidgetItem &other) const override;

    int record() const { return m_record; }
    void setRecord(int record) { m_record = record; }

private:
    const LogRecords *m_records;
    int m_record;
    LogRecords::Field m_field;
};

#endif // LOGCELL_H
