#ifndef AXIS_H
#define AXIS_H

#include <QObject>
#include <QString>

class QCPAxis;

// A ChartWidget axis: a thin front for the QCustomPlot axis it controls.
class Axis : public QObject
{
    Q_OBJECT
public:
    explicit Axis(QCPAxis *axis, QObject *parent = nullptr);

    void setDatetime(bool datetime);
    bool isDatetime() const { return m_datetime; }
    // Qt date-time format; "\r\n" (as the views write it) becomes a line break.
    void setDatetimeFormat(const QString &format);
    QString datetimeFormat() const { return m_format; }
    void setTitle(const QString &title);
    QString title() const;
    void setRange(double minimum, double maximum);
    double minimum() const;
    double maximum() const;
    // Locked: the range stays as set; no auto-rescale, zoom or pan.
    void setScaleLock(bool locked);
    bool scaleLocked() const { return m_locked; }

    QCPAxis *qcpAxis() const { return m_axis; }

signals:
    void changed();

private:
    void applyTicker();

    QCPAxis *m_axis;
    QString m_format = QStringLiteral("hh:mm:ss");
    bool m_datetime = false;
    bool m_locked = false;
};

#endif // AXIS_H
