#include "DumpFile.h"

#include <QDebug>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

void DumpFile::setFileName(const QString &fileName)
{
    if (fileName == name)
        return;
    close();
    name = fileName;
    linkReported = false;
}

bool DumpFile::append(const QByteArray &record)
{
    if (!file.isOpen() && !open())
        return false;
    return file.write(record) == record.size();
}

void DumpFile::close()
{
    if (file.isOpen())
        file.close();
}

bool DumpFile::open()
{
    if (name.isEmpty())
        return false;
    // Non-blocking only while opening: a FIFO without a reader must not hold
    // the worker.
    const int fd = ::open(QFile::encodeName(name).constData(),
                          O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0) {
        if (errno == ELOOP && !linkReported) {
            linkReported = true;
            qWarning("Query dump: %s is a symbolic link; nothing is written to it", qPrintable(name));
        }
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered,
                   QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}
