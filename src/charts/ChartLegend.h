#ifndef CHARTLEGEND_H
#define CHARTLEGEND_H

#include <QObject>

class QCPLegend;

// The ChartWidget legend (top-right inside the plot).
class ChartLegend : public QObject
{
    Q_OBJECT
public:
    explicit ChartLegend(QCPLegend *legend, QObject *parent = nullptr);

    void setVisible(bool visible);
    bool isVisible() const;

signals:
    void changed();

private:
    QCPLegend *m_legend;
};

#endif // CHARTLEGEND_H
