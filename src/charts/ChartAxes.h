#ifndef CHARTAXES_H
#define CHARTAXES_H

#include <QObject>

class Axis;

// The two axes of a ChartWidget.
class ChartAxes : public QObject
{
    Q_OBJECT
public:
    ChartAxes(Axis *bottom, Axis *left, QObject *parent = nullptr);

    Axis *bottom() const { return m_bottom; }
    Axis *left() const { return m_left; }

private:
    Axis *m_bottom;
    Axis *m_left;
};

#endif // CHARTAXES_H
