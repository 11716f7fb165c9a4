#ifndef CWSIMPLE_CHART_H
#define CWSIMPLE_CHART_H

#include <QMap>
#include <QStringList>
#include <QVector>
#include <QWidget>

#include "cwsimple/Axis.h"
#include "cwsimple/Series.h"

class QAction;
class QCustomPlot;
class QCPItemText;
class PlotController;

namespace cwsimple {

class Axis;
class Series;

// A timeline chart: date-time x axis, one row per signal group on y,
// horizontal bars. Replots are coalesced like ChartWidget's.
class Chart : public QWidget
{
    Q_OBJECT
public:
    explicit Chart(QWidget *parent = nullptr);
    ~Chart() override;

    void setMinGridStepX(double step);
    void setBgColor(const QColor &color);
    // A centred message over the plot; an empty text removes it.
    void setError(const QString &error);
    QString error() const { return m_error; }
    bool isErrorShown() const;

    void removeAllSeries();
    Series *findSeries(int id) const;
    // Takes ownership; a series already registered under id is replaced.
    void addSeries(Series *series, int id);
    void removeSeries(int id);

    Axis *xAxis() const { return m_xAxis; }
    Axis *yAxis() const { return m_yAxis; }

    void setRefreshTimeout(int ms);
    int refreshTimeout() const;
    void replotNow();
    bool savePng(const QString &fileName);
    bool savePdf(const QString &fileName);
    // The bars for export: a header row, then one row per bar with the row's
    // label, its start, end, length in seconds and colour.
    QVector<QStringList> dataTable() const;
    // Shown in the context menu below the save entries; not owned.
    void addContextAction(QAction *action);
    QList<QAction *> contextActions() const;

    QCustomPlot *plot() const { return m_plot; }
    int replotCount() const;

private slots:
    void scheduleReplot();
    void updateInteractionAxes();

private:
    void prepare();
    void rescale();
    void takeSeries(int id);

    QCustomPlot *m_plot;
    PlotController *m_controller;
    Axis *m_xAxis;
    Axis *m_yAxis;
    QCPItemText *m_errorItem;
    QString m_error;
    QMap<int, Series *> m_series;
};

} // namespace cwsimple

#endif // CWSIMPLE_CHART_H
