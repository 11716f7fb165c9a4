#ifndef LOGCSVEXPORT_H
#define LOGCSVEXPORT_H

#include "views/LogRecords.h"

#include <QStringList>
#include <QVector>

#include <atomic>

// The event log as Save writes it: the header line, then a line of five
// fields per row (Time, Device time, Type, then Source and Description, or
// Description and nothing), fields quoted as CsvWriter does, in the
// system's encoding. It works on its own copy of the records, so it may
// write in another thread while the table goes on.
class LogCsvExport
{
public:
    LogCsvExport(const LogRecords &records, const QVector<int> &rows, const QStringList &header);

    int rowCount() const { return m_rows.size(); }
    // Writes the file; false with the reason in *error. `written` counts the
    // rows written so far; when `cancelled` turns true it stops, false.
    bool write(const QString &fileName, QString *error, std::atomic<int> *written = nullptr,
               const std::atomic<bool> *cancelled = nullptr) const;

private:
    const LogRecords m_records;
    const QVector<int> m_rows;
    const QStringList m_header;
};

#endif // LOGCSVEXPORT_H
