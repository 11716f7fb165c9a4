#ifndef PLOTCONTROLLER_H
#define PLOTCONTROLLER_H

#include <QList>
#include <QObject>
#include <QPointer>
#include <QPoint>
#include <QTimer>
#include <functional>

class QAction;
class QCustomPlot;
class QMouseEvent;

// Behaviour shared by ChartWidget and cwsimple::Chart: coalesced replots,
// the default look, zoom/pan bookkeeping, double-click reset and the
// save context menu. Kept out of the public classes so both charts act alike.
class PlotController : public QObject
{
    Q_OBJECT
public:
    explicit PlotController(QCustomPlot *plot, QObject *parent = nullptr);

    // Called before each replot: push model state into the plot.
    void setPrepareFunction(std::function<void()> f) { m_prepare = std::move(f); }
    // Called before a replot when the view follows the data (no user zoom).
    void setRescaleFunction(std::function<void()> f) { m_rescale = std::move(f); }

    void setRefreshTimeout(int ms);
    int refreshTimeout() const { return m_timer.interval(); }

    void scheduleReplot();
    void replotNow();
    int replotCount() const { return m_replotCount; }
    bool replotPending() const { return m_timer.isActive(); }

    bool userZoomed() const { return m_userZoomed; }
    void resetZoom();
    // Follow the data again from the next replot (after the chart is cleared).
    void clearUserZoom() { m_userZoomed = false; }

    bool savePng(const QString &fileName);
    bool savePdf(const QString &fileName);

    static void applyDefaultLook(QCustomPlot *plot);

    // Actions shown below the save entries of the context menu; not owned.
    void addContextAction(QAction *action);
    QList<QAction *> contextActions() const;

private slots:
    void onMousePress(QMouseEvent *event);
    void onMouseMove(QMouseEvent *event);
    void onContextMenu(const QPoint &pos);

private:
    QSize exportSize() const;

    QCustomPlot *m_plot;
    QTimer m_timer;
    std::function<void()> m_prepare;
    std::function<void()> m_rescale;
    int m_replotCount = 0;
    bool m_userZoomed = false;
    bool m_pressed = false;
    QPoint m_pressPos;
    QList<QPointer<QAction>> m_actions;
};

#endif // PLOTCONTROLLER_H
