#ifndef LOGCELL_H
#define LOGCELL_H

#include "views/LogRecords.h"

#include <QTableWidgetItem>

// A cell of the event-log table. It keeps no text of its own: it stays in
// the row it was put in and shows its field of whatever record the table
// shows in that row (LogTable::cellText), so a new order or filter moves no
// cell. Its field is its type, its row fills the item's spare bytes, and it
// lives in LogCellPool: 48 bytes and the item's private 32 per cell.
class LogCell : public QTableWidgetItem
{
public:
    enum { Type = QTableWidgetItem::UserType + 1 };

    LogCell(LogRecords::Field field, int row)
        : QTableWidgetItem(Type + field)
        , m_row(row)
    {
    }

    QTableWidgetItem *clone() const override;
    QVariant data(int role) const override;

    LogRecords::Field field() const { return LogRecords::Field(type() - Type); }

    static void *operator new(std::size_t size);
    static void operator delete(void *cell) noexcept;

private:
    const int m_row;
};

#endif // LOGCELL_H
