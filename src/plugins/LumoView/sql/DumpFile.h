#ifndef DUMPFILE_H
#define DUMPFILE_H

#include <QByteArray>
#include <QFile>
#include <QString>

// The file a statement dump appends to: created readable by its owner only
// (statements hold the data they select by), never opened through a
// symbolic link planted under its name, and kept open between records.
// Not thread-safe: each user locks or owns its own.
class DumpFile
{
public:
    DumpFile() = default;
    DumpFile(const DumpFile &) = delete;
    DumpFile &operator=(const DumpFile &) = delete;

    QString fileName() const { return name; }
    // Closes the file of an earlier name; the new one opens at the next record.
    void setFileName(const QString &fileName);
    // One record in one write, so that records of several writers never
    // mix. False when the file cannot be opened or written.
    bool append(const QByteArray &record);
    void close();

private:
    bool open();

    QString name;
    QFile file;
    // A symbolic link is reported once per name, not once per record.
    bool linkReported = false;
};

#endif // DUMPFILE_H
