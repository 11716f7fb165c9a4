#ifndef CHARTSERIES_H
#define CHARTSERIES_H

#include <QColor>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVector>

class QCPAbstractPlottable;
class QCPAxis;
class QCustomPlot;
class ChartWidget;

// Base of all ChartWidget series. A series owns its data; once added to a
// ChartWidget it also owns the QCustomPlot plottables that draw it.
class ChartSeries : public QObject
{
    Q_OBJECT
public:
    explicit ChartSeries(QObject *parent = nullptr);
    ~ChartSeries() override;

    void setName(const QString &name);
    QString name() const { return m_name; }
    void setWidth(int width);
    int width() const { return m_width; }
    void setVisible(bool visible);
    bool isVisible() const { return m_visible; }
    void enableTooltip(bool enable);
    bool tooltipEnabled() const { return m_tooltip; }
    QColor color() const { return m_color; }
    void setColor(const QColor &color);
    // False until setColor(): the chart then assigns a palette colour.
    bool hasColor() const { return m_colorSet; }

    virtual void clear();
    virtual int pointsCount() const;
    virtual void addXY(double x, double y);
    void addXY(const QDateTime &x, double y);

    // The data as text rows for export: the column names first, then one
    // row per point; gap markers (NaN) are left out. Empty when the kind
    // has nothing to export.
    virtual QVector<QStringList> table(bool keyIsDateTime) const;
    // x as exported: the date-time as written to the second (milliseconds
    // only when there are any), or the plain number.
    static QString tableKey(double key, bool dateTime);
    static QString tableValue(double value) { return QString::number(value, 'g', 12); }

    // Key of a date-time on the x axis: its date and time as written, in
    // seconds since the epoch as if they were UTC (WallClock).
    static double toKey(const QDateTime &x);

signals:
    void changed();

protected:
    friend class ChartWidget;

    // Creates the plottables on the given axes; called by ChartWidget.
    virtual void attach(QCPAxis *keyAxis, QCPAxis *valueAxis);
    // Removes every plottable from the plot.
    virtual void detach();
    // Pushes name, colour, pen width and visibility into the plottables.
    virtual void sync();
    // Text for a tooltip at pixel position, or empty when no data point is
    // within maxDistance pixels; *distance receives the pixel distance.
    virtual QString tooltipText(const QPointF &pixel, double maxDistance, bool keyIsDateTime,
                                double *distance) const;
    // Value (y) extent of the data for auto-rescale; false when empty.
    // The default asks the plottables, which scans every point.
    virtual bool valueRange(double *lower, double *upper) const;
    // True when the series draws a band below the data (Gantt y = -1).
    virtual bool needsBottomBand() const { return false; }

    // The plottable carrying the legend entry.
    QCPAbstractPlottable *mainPlottable() const;
    void addPlottable(QCPAbstractPlottable *plottable, bool inLegend);
    QList<QCPAbstractPlottable *> plottables() const;
    static QString formatKey(double key, bool dateTime);

private:
    QList<QPointer<QCPAbstractPlottable>> m_plottables;
    QString m_name;
    QColor m_color = QColor(31, 119, 180);
    int m_width = 1;
    bool m_visible = true;
    bool m_tooltip = true;
    bool m_colorSet = false;
};

#endif // CHARTSERIES_H
