#ifndef SGEVENTDECODER_H
#define SGEVENTDECODER_H

#include <QByteArray>
#include <QMetaMethod>
#include <QMetaProperty>

class QObject;

// Turns a signal-group event's data into its group and state through the
// host's decoding service: the plug-in that the host's kernel object (a
// child of the application that inherits "Road::Kernel") offers as
// "Orvane::Plugin". Looked up once, in the thread that creates the decoder;
// decode() runs in the worker's thread.
class SgEventDecoder
{
public:
    // The constant the host's decoding service expects with a signal-group
    // event (agreed with the host).
    static constexpr int SgNotificationKind = 0x53470705;

    SgEventDecoder();

    // False when the host offers no decoding or cannot decode `data`.
    bool decode(const QByteArray &data, int *group, int *state);

private:
    QObject *hostPlugin = nullptr;
    QMetaMethod createNotification;
    const QMetaObject *notificationClass = nullptr;
    QMetaProperty notificationData;
};

#endif // SGEVENTDECODER_H
