#ifndef CWSIMPLE_LABELTICKER_H
#define CWSIMPLE_LABELTICKER_H

#include <QMap>
#include <QSharedPointer>
#include <qcustomplot.h>

namespace cwsimple {

// Ticks for a cwsimple axis: custom labels when there are any (one tick
// per label, e.g. the "SG 1" rows), otherwise numeric or date-time ticks
// no closer than a minimum step.
class LabelTicker : public QCPAxisTicker
{
public:
    LabelTicker();

    void setDatetime(bool on) { m_datetime = on; }
    void setDatetimeFormat(const QString &format);
    void setMinStep(double step) { m_minStep = step; }
    void setLabels(const QMap<double, QString> &labels) { m_labels = labels; }

    void generate(const QCPRange &range, const QLocale &locale, QChar formatChar, int precision,
                  QVector<double> &ticks, QVector<double> *subTicks,
                  QVector<QString> *tickLabels) override;

private:
    QSharedPointer<QCPAxisTicker> m_plain;
    QSharedPointer<QCPAxisTickerDateTime> m_date;
    QMap<double, QString> m_labels;
    double m_minStep = 0;
    bool m_datetime = false;
};

} // namespace cwsimple

#endif // CWSIMPLE_LABELTICKER_H
