#include "QueryDump.h"

#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QTextStream>

namespace {

struct Dump
{
    QMutex mutex;
    bool enabled = false;
    QFile file;
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
    d.enabled = false;
    if (d.file.isOpen())
        d.file.close();
    d.file.setFileName(fileName);
    d.enabled = true;
}

void stop()
{
    Dump &d = dump();
    QMutexLocker locker(&d.mutex);
    d.enabled = false;
    if (d.file.isOpen())
        d.file.close();
}

void write(const QString &statement)
{
    Dump &d = dump();
    QMutexLocker locker(&d.mutex);
    if (!d.enabled)
        return;
    if (!d.file.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    QTextStream stream(&d.file);
    stream << statement << '\n';
    stream.flush();
    d.file.close();
}

} // namespace QueryDump
