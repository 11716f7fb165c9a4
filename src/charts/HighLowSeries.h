#ifndef HIGHLOWSERIES_H
#define HIGHLOWSERIES_H

#include "ChartSeries.h"

#include <QSharedPointer>
#include <qcustomplot.h>

// A filled band between a low and a high value over time.
class HighLowSeries : public ChartSeries
{
    Q_OBJECT
public:
    explicit HighLowSeries(QObject *parent = nullptr);

    using ChartSeries::addXY;
    void addPoint(const QDateTime &x, double low, double high);
    void addPoint(double x, double low, double high);
    int pointsCount() const override { return m_low->size(); }
    double lowAt(int i) const;
    double highAt(int i) const;
    double xAt(int i) const;
    void clear() override;
    QVector<QStringList> table(bool keyIsDateTime) const override;

protected:
    void attach(QCPAxis *keyAxis, QCPAxis *valueAxis) override;
    void sync() override;
    QString tooltipText(const QPointF &pixel, double maxDistance, bool keyIsDateTime,
                        double *distance) const override;

private:
    QSharedPointer<QCPGraphDataContainer> m_low;
    QSharedPointer<QCPGraphDataContainer> m_high;
};

#endif // HIGHLOWSERIES_H
