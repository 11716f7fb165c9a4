#ifndef CWSIMPLE_AXIS_H
#define CWSIMPLE_AXIS_H

#include <QMap>
#include <QObject>
#include <QSharedPointer>
#include <QString>

class QCPAxis;

namespace cwsimple {

class LabelTicker;

// An axis of cwsimple::Chart; custom labels replace numeric tick labels.
class Axis : public QObject
{
    Q_OBJECT
public:
    explicit Axis(QCPAxis *axis, QObject *parent = nullptr);

    void setDatetime(bool datetime);
    bool isDatetime() const { return m_datetime; }
    void setDatetimeFormat(const QString &format);
    QString datetimeFormat() const { return m_format; }
    void setCustomLabel(double value, const QString &label);
    void resetCustomLabels();
    QMap<double, QString> customLabels() const { return m_labels; }
    void setMinStep(double step);

    QCPAxis *qcpAxis() const { return m_axis; }

signals:
    void changed();

private:
    QCPAxis *m_axis;
    QSharedPointer<LabelTicker> m_ticker;
    QMap<double, QString> m_labels;
    QString m_format = QStringLiteral("hh:mm:ss");
    bool m_datetime = false;
};

} // namespace cwsimple

#endif // CWSIMPLE_AXIS_H
