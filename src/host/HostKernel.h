#ifndef HOSTKERNEL_H
#define HOSTKERNEL_H

#include <QObject>
#include <QVariantList>

namespace Orvane {

// The decoded event handed back by the decoding service; the caller owns it.
class Notification : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QVariantList data READ data)
public:
    explicit Notification(const QVariantList &data, QObject *parent = nullptr)
        : QObject(parent), m_data(data) {}
    QVariantList data() const { return m_data; }
private:
    QVariantList m_data;
};

// The host's decoding service for signal-group events. It may be called from
// any thread: it keeps no state.
class Plugin : public QObject
{
    Q_OBJECT
public:
    explicit Plugin(QObject *parent = nullptr) : QObject(parent) {}
    Q_INVOKABLE QObject *createNotification(QByteArray data, int kind);
};

} // namespace Orvane

namespace Road {

// The host's kernel object: a child of the application object through which
// modules reach the host's services by name.
class Kernel : public QObject
{
    Q_OBJECT
public:
    explicit Kernel(QObject *parent = nullptr);
    Q_INVOKABLE QObject *plugin(QString name);
private:
    Orvane::Plugin *m_orvane;
};

} // namespace Road

#endif // HOSTKERNEL_H
