#ifndef SIGNALGROUPEVENT_H
#define SIGNALGROUPEVENT_H

#include <QByteArray>
#include <QtEndian>

// Byte layout of a signal-group event (events of type 7, value 5) as the
// controllers store it and the host decodes it: three little-endian 32-bit
// words, the signal-group number, its new state (0 closed, 1 open, 2
// transition) and a reserved word. The data generator writes the same layout.
namespace SignalGroupEvent {

// The constant the module passes to createNotification for these events.
constexpr int NotificationKind = 0x53470705;
constexpr int Size = 12;

inline QByteArray encode(int sgId, int state)
{
    QByteArray bytes(Size, '\0');
    qToLittleEndian<qint32>(sgId, bytes.data());
    qToLittleEndian<qint32>(state, bytes.data() + 4);
    return bytes;
}

// False when the bytes are too short to hold an event.
inline bool decode(const QByteArray &bytes, int *sgId, int *state)
{
    if (bytes.size() < 8)
        return false;
    *sgId = qFromLittleEndian<qint32>(bytes.constData());
    *state = qFromLittleEndian<qint32>(bytes.constData() + 4);
    return true;
}

} // namespace SignalGroupEvent

#endif // SIGNALGROUPEVENT_H
