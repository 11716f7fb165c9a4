#include "QueryDump.h"

#include "sql/DumpFile.h"

#include <QMutex>
#include <QMutexLocker>
#include <QTextCodec>

namespace {

struct Dump
{
    QMutex mutex;
    bool enabled = false;
    DumpFile file;
};

Dump &dump()
{
    static Dump instance;
    return instance;
}

} // namespace

namespace QueryDump {

void start(const QString &fileName)
{
    Dump &d = dump();
    QMutexLocker locker(&d.mutex);
    d.file.close();
    d.file.setFileName(fileName);
    d.enabled = true;
}

void stop()
{
    Dump &d = dump();
    QMutexLocker locker(&d.mutex);
    d.enabled = false;
    d.file.close();
}

void write(const QString &statement)
{
    Dump &d = dump();
    QMutexLocker locker(&d.mutex);
    if (!d.enabled)
        return;
    // In the system's encoding, as a text stream on the file writes it.
    d.file.append(QTextCodec::codecForLocale()->fromUnicode(statement + QLatin1Char('\n')));
}

} // namespace QueryDump
