#ifndef CHARTWIDGET_H
#define CHARTWIDGET_H

#include <QList>
#include <QMap>
#include <QPointer>
#include <QWidget>

// Callers reach the axes, legend and series through the widget: pull their
// declarations in so one include suffices.
#include "Axis.h"
#include "ChartAxes.h"
#include "ChartLegend.h"
#include "ChartSeries.h"
#include "VLine.h"

class QAction;
class QCustomPlot;
class QCPAbstractLegendItem;
class QCPItemStraightLine;
class QCPLegend;
class QMouseEvent;
class ChartAxes;
class ChartLegend;
class ChartSeries;
class PlotController;
class VLine;

// A chart of several series over a shared x axis (often date-time), drawn
// with QCustomPlot. Changes are coalesced: at most one replot per refresh
// timeout, however many points arrive.
class ChartWidget : public QWidget
{
    Q_OBJECT
public:
    explicit ChartWidget(QWidget *parent = nullptr);
    ~ChartWidget() override;

    void setRefreshTimeout(int ms);
    int refreshTimeout() const;
    void enableTooltip(bool enable);
    bool tooltipEnabled() const { return m_tooltip; }
    void setAntialiasing(bool enable);

    ChartLegend *legend() const { return m_legend; }
    ChartAxes *axes() const { return m_axes; }

    // Takes ownership; a series already registered under id is replaced.
    void addSeries(ChartSeries *series, int id);
    // Picks an unused id (from 1000 up) and returns it.
    int addSeries(ChartSeries *series);
    ChartSeries *series(int id) const;
    QList<ChartSeries *> seriesList() const;
    QList<int> seriesIds() const { return m_order; }
    void removeSeries(int id);
    // Removes every series and vertical line.
    void clear();

    int addVLine(VLine *line);
    int vlineCount() const { return m_vlines.size(); }

    void replotNow();
    bool savePng(const QString &fileName);
    bool savePdf(const QString &fileName);

    // The visible series' data for export: per series a header row, then
    // its rows, each led by the series' name; an empty row between series.
    QVector<QStringList> dataTable() const;
    // Shown in the context menu below the save entries; not owned.
    void addContextAction(QAction *action);
    QList<QAction *> contextActions() const;

    QCustomPlot *plot() const { return m_plot; }
    int replotCount() const;
    // The tooltip that would show for the pointer at pos (plot coordinates).
    QString tooltipTextAt(const QPoint &pos) const;

private slots:
    void scheduleReplot();
    void onLegendClick(QCPLegend *legend, QCPAbstractLegendItem *item, QMouseEvent *event);
    void onMouseMove(QMouseEvent *event);
    void updateInteractionAxes();

private:
    struct VLineEntry
    {
        VLine *line;
        QPointer<QCPItemStraightLine> item;
    };

    void prepare();
    void rescale();
    void takeSeries(int id);

    QCustomPlot *m_plot;
    PlotController *m_controller;
    ChartLegend *m_legend;
    ChartAxes *m_axes;
    QMap<int, ChartSeries *> m_series;
    QList<int> m_order;
    QMap<int, VLineEntry> m_vlines;
    int m_nextVLineId = 1;
    int m_paletteIndex = 0;
    bool m_tooltip = false;
};

#endif // CHARTWIDGET_H
