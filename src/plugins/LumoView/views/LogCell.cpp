#include "LogCell.h"

#include "views/LogCellPool.h"
#include "views/LogTable.h"

// Four cells a row: the cell must not outgrow the item it derives from.
static_assert(sizeof(LogCell) == sizeof(QTableWidgetItem), "a log cell keeps its row in the item's spare bytes");

QTableWidgetItem *LogCell::clone() const
{
    // A copy of what it shows: out of its row it would show nothing.
    auto *copy = new QTableWidgetItem;
    copy->setText(text());
    return copy;
}

QVariant LogCell::data(int role) const
{
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        if (const LogTable *table = LogTable::of(tableWidget()))
            return table->cellText(m_row, field());
    }
    return QTableWidgetItem::data(role);
}

void *LogCell::operator new(std::size_t size)
{
    return LogCellPool::allocate(size);
}

void LogCell::operator delete(void *cell) noexcept
{
    LogCellPool::release(cell);
}
