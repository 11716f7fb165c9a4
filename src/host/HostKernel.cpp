#include "HostKernel.h"
#include "SignalGroupEvent.h"

namespace Orvane {

QObject *Plugin::createNotification(QByteArray data, int kind)
{
    int sgId = 0;
    int state = 0;
    if (kind != SignalGroupEvent::NotificationKind || !SignalGroupEvent::decode(data, &sgId, &state))
        return nullptr;
    return new Notification(QVariantList{sgId, state});
}

} // namespace Orvane

namespace Road {

Kernel::Kernel(QObject *parent)
    : QObject(parent)
    , m_orvane(new Orvane::Plugin(this))
{
    setObjectName(QStringLiteral("kernel"));
}

QObject *Kernel::plugin(QString name)
{
    if (name == QLatin1String("Orvane::Plugin"))
        return m_orvane;
    return nullptr;
}

} // namespace Road
