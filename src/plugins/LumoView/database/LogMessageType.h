#ifndef LOGMESSAGETYPE_H
#define LOGMESSAGETYPE_H

#include <QMetaType>

// Kind of a progress line posted by a worker; it selects the line's icon.
enum LogMessageType {
    Info = 0,
    Success = 1,
    Error = 2,
    Warning = 3
};

Q_DECLARE_METATYPE(LogMessageType)

#endif // LOGMESSAGETYPE_H
