#ifndef PEAKMEMORY_H
#define PEAKMEMORY_H

#include <QFile>

#include <malloc.h>

#include <cstdio>

// The process's peak resident memory so far (VmHWM), in kB; -1 if unknown.
inline long peakRssKb()
{
    FILE *status = std::fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, status)) {
        if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1)
            break;
    }
    std::fclose(status);
    return kb;
}

// Starts the peak resident memory afresh from what is resident now.
inline void resetPeakMemory()
{
    malloc_trim(0);
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

#endif // PEAKMEMORY_H
