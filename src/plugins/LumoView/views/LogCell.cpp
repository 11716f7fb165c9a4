#include "LogCell.h"

LogCell::LogCell(const LogRecords *records, int record, LogRecords::Field field)
    : QTableWidgetItem(Type)
    , m_records(records)
    , m_record(record)
    , m_field(field)
{
}

QTableWidgetItem *LogCell::clone() const
{
    // Not by copy: the item's copy would forget its type.
    auto *cell = new LogCell(m_records, m_record, m_field);
    *static_cast<QTableWidgetItem *>(cell) = *this;
    return cell;
}

QVariant LogCell::data(int role) const
{
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return m_records->text(m_record, m_field);
    return QTableWidgetItem::data(role);
}

bool LogCell::operator<(const QTableWidgetItem &other) const
{
    if (other.type() != Type)
        return QTableWidgetItem::operator<(other);
    const auto &cell = static_cast<const LogCell &>(other);
    if (cell.m_records != m_records || cell.m_field != m_field)
        return QTableWidgetItem::operator<(other);
    return m_records->lessThan(m_record, cell.m_record, m_field);
}
