#ifndef SGEVENTDECODER_H
#define SGEVENTDECODER_H

#include <QByteArray>
#include <QHash>
#include <QMetaMethod>
#include <QMetaProperty>

class QObject;

// Turns a signal-group event's data into its group and state through the
// host's decoding service: the plug-in that the host's kernel object (a
// child of the application that inherits "Road::Kernel") offers as
// "Orvane::Plugin". Looked up once, in the thread that creates the decoder;
// decode() runs in the worker's thread. The same bytes always decode the
// same: the decodings already made are remembered (a bounded number), so
// that the host is asked once per distinct event rather than per row.
class SgEventDecoder
{
public:
    // The constant the host's decoding service expects with a signal-group
    // event (agreed with the host).
    static constexpr int SgNotificationKind = 0x53470705;

    SgEventDecoder();

    // False when the host offers no decoding or cannot decode `data`.
    bool decode(const QByteArray &data, int *group, int *state);

    // The most decodings remembered; past it they are forgotten and made afresh.
    static constexpr int MaxRemembered = 4096;

private:
    struct Decoded
    {
        int group;
        int state;
    };

    bool ask(const QByteArray &data, int *group, int *state);

    QHash<QByteArray, Decoded> remembered;
    QObject *hostPlugin = nullptr;
    QMetaMethod createNotification;
    const QMetaObject *notificationClass = nullptr;
    QMetaProperty notificationData;
};

#endif // SGEVENTDECODER_H
