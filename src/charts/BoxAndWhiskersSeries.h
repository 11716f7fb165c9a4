#ifndef BOXANDWHISKERSSERIES_H
#define BOXANDWHISKERSSERIES_H

#include "ChartSeries.h"

#include <QSharedPointer>
#include <qcustomplot.h>

// Box plots (median, quartiles, whiskers) at date-time positions.
class BoxAndWhiskersSeries : public ChartSeries
{
    Q_OBJECT
public:
    struct Candle
    {
        double x, median, min, max, q1, q3;
    };

    explicit BoxAndWhiskersSeries(QObject *parent = nullptr);

    void addCandle(const QDateTime &x, double median, double min, double max, double Q1, double Q3);
    void addCandle(double x, double median, double min, double max, double Q1, double Q3);
    Candle candle(int i) const;
    int pointsCount() const override { return m_data->size(); }
    void clear() override;
    QVector<QStringList> table(bool keyIsDateTime) const override;

protected:
    void attach(QCPAxis *keyAxis, QCPAxis *valueAxis) override;
    void sync() override;
    QString tooltipText(const QPointF &pixel, double maxDistance, bool keyIsDateTime,
                        double *distance) const override;

private:
    QSharedPointer<QCPStatisticalBoxDataContainer> m_data;
};

#endif // BOXANDWHISKERSSERIES_H
