#ifndef CWSIMPLE_SERIES_H
#define CWSIMPLE_SERIES_H

#include <QList>
#include <QObject>
#include <QPointer>

class QCPAbstractPlottable;
class QCPAxis;

namespace cwsimple {

class Chart;

// Base of cwsimple series; a Chart attaches it to its plot.
class Series : public QObject
{
    Q_OBJECT
public:
    explicit Series(QObject *parent = nullptr);
    ~Series() override;

signals:
    void changed();

protected:
    friend class Chart;

    virtual void attach(QCPAxis *keyAxis, QCPAxis *valueAxis);
    void detach();
    virtual void sync() {}
    void addPlottable(QCPAbstractPlottable *plottable);
    QList<QCPAbstractPlottable *> plottables() const;

private:
    QList<QPointer<QCPAbstractPlottable>> m_plottables;
};

} // namespace cwsimple

#endif // CWSIMPLE_SERIES_H
