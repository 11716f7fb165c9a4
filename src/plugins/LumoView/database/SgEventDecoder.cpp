#include "SgEventDecoder.h"

#include <QCoreApplication>
#include <QVariant>

SgEventDecoder::SgEventDecoder()
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return;
    const QObjectList children = app->children();
    for (QObject *child : children) {
        if (!child->inherits("Road::Kernel"))
            continue;
        QMetaObject::invokeMethod(child, "plugin", Qt::DirectConnection, Q_RETURN_ARG(QObject *, hostPlugin),
                                  Q_ARG(QString, QStringLiteral("Orvane::Plugin")));
        break;
    }
    // Looked up once rather than by name for every event.
    if (hostPlugin) {
        const QMetaObject *meta = hostPlugin->metaObject();
        createNotification = meta->method(meta->indexOfMethod("createNotification(QByteArray,int)"));
    }
}

bool SgEventDecoder::decode(const QByteArray &data, int *group, int *state)
{
    const auto known = remembered.constFind(data);
    if (known != remembered.constEnd()) {
        *group = known->group;
        *state = known->state;
        return true;
    }
    if (!ask(data, group, state))
        return false;
    if (remembered.size() >= MaxRemembered)
        remembered.clear();
    remembered.insert(data, Decoded{*group, *state});
    return true;
}

bool SgEventDecoder::ask(const QByteArray &data, int *group, int *state)
{
    QObject *notification = nullptr;
    if (hostPlugin) {
        createNotification.invoke(hostPlugin, Qt::DirectConnection, Q_RETURN_ARG(QObject *, notification),
                                  Q_ARG(QByteArray, data), Q_ARG(int, SgNotificationKind));
    }
    if (!notification)
        return false;
    // The property of the notification's class, looked up once per class.
    if (notification->metaObject() != notificationClass) {
        notificationClass = notification->metaObject();
        notificationData = notificationClass->property(notificationClass->indexOfProperty("data"));
    }
    const QVariantList fields = (notificationData.isValid() ? notificationData.read(notification)
                                                            : notification->property("data"))
                                    .toList();
    delete notification;
    if (fields.size() < 2)
        return false;
    *group = fields.at(0).toInt();
    *state = fields.at(1).toInt();
    return true;
}
