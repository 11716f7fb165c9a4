#include "cwsimple/Chart.h"

#include "PlotController.h"
#include "cwsimple/Axis.h"
#include "cwsimple/ColorHBoxSeries.h"
#include "cwsimple/Series.h"

#include <QVBoxLayout>

#include "ChartSeries.h"
#include <qcustomplot.h>

namespace cwsimple {

Chart::Chart(QWidget *parent)
    : QWidget(parent)
    , m_plot(new QCustomPlot(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_plot);

    PlotController::applyDefaultLook(m_plot);
    m_plot->legend->setVisible(false);

    m_controller = new PlotController(m_plot, this);
    m_controller->setPrepareFunction([this] { prepare(); });
    m_controller->setRescaleFunction([this] { rescale(); });

    m_xAxis = new Axis(m_plot->xAxis, this);
    m_yAxis = new Axis(m_plot->yAxis, this);
    for (Axis *a : {m_xAxis, m_yAxis}) {
        connect(a, &Axis::changed, this, &Chart::updateInteractionAxes);
        connect(a, &Axis::changed, this, &Chart::scheduleReplot);
    }
    updateInteractionAxes();

    // Centred in the axis rect, on a layer of its own above the data.
    m_plot->addLayer(QStringLiteral("error"), m_plot->layer(QStringLiteral("main")),
                     QCustomPlot::limAbove);
    m_errorItem = new QCPItemText(m_plot);
    m_errorItem->setLayer(QStringLiteral("error"));
    m_errorItem->setClipToAxisRect(false);
    m_errorItem->position->setType(QCPItemPosition::ptAxisRectRatio);
    m_errorItem->position->setCoords(0.5, 0.5);
    m_errorItem->setPositionAlignment(Qt::AlignCenter);
    m_errorItem->setTextAlignment(Qt::AlignCenter);
    QFont f = m_plot->font();
    f.setPointSize(f.pointSize() + 3);
    f.setBold(true);
    m_errorItem->setFont(f);
    m_errorItem->setColor(QColor(180, 30, 30));
    m_errorItem->setBrush(QColor(255, 255, 255, 230));
    m_errorItem->setPen(QPen(QColor(180, 30, 30)));
    m_errorItem->setPadding(QMargins(12, 8, 12, 8));
    m_errorItem->setVisible(false);
}

Chart::~Chart()
{
    // Series detach in their destructors: delete them before the plot.
    qDeleteAll(m_series);
    m_series.clear();
}

void Chart::setMinGridStepX(double step)
{
    m_xAxis->setMinStep(step);
}

void Chart::setBgColor(const QColor &color)
{
    m_plot->setBackground(color);
    scheduleReplot();
}

void Chart::setError(const QString &error)
{
    m_error = error;
    m_errorItem->setText(error);
    m_errorItem->setVisible(!error.isEmpty());
    scheduleReplot();
}

bool Chart::isErrorShown() const
{
    return m_errorItem->visible();
}

void Chart::takeSeries(int id)
{
    Series *s = m_series.take(id);
    if (!s)
        return;
    disconnect(s, nullptr, this, nullptr);
    s->detach();
    s->deleteLater();
}

void Chart::removeSeries(int id)
{
    takeSeries(id);
    scheduleReplot();
}

void Chart::removeAllSeries()
{
    const QList<int> ids = m_series.keys();
    for (int id : ids)
        takeSeries(id);
    m_controller->clearUserZoom();
    scheduleReplot();
}

Series *Chart::findSeries(int id) const
{
    return m_series.value(id, nullptr);
}

void Chart::addSeries(Series *series, int id)
{
    if (!series || m_series.value(id) == series)
        return;
    takeSeries(id);
    series->setParent(this);
    series->attach(m_plot->xAxis, m_plot->yAxis);
    m_series.insert(id, series);
    connect(series, &Series::changed, this, &Chart::scheduleReplot);
    scheduleReplot();
}

void Chart::setRefreshTimeout(int ms)
{
    m_controller->setRefreshTimeout(ms);
}

int Chart::refreshTimeout() const
{
    return m_controller->refreshTimeout();
}

void Chart::replotNow()
{
    m_controller->replotNow();
}

bool Chart::savePng(const QString &fileName)
{
    return m_controller->savePng(fileName);
}

bool Chart::savePdf(const QString &fileName)
{
    return m_controller->savePdf(fileName);
}

int Chart::replotCount() const
{
    return m_controller->replotCount();
}

void Chart::scheduleReplot()
{
    m_controller->scheduleReplot();
}

void Chart::prepare()
{
    for (Series *s : qAsConst(m_series))
        s->sync();
}

void Chart::rescale()
{
    bool foundKey = false, foundValue = false;
    QCPRange keys, values;
    for (Series *s : qAsConst(m_series)) {
        for (QCPAbstractPlottable *p : s->plottables()) {
            bool f = false;
            QCPRange r = p->getKeyRange(f);
            if (f) {
                foundKey ? keys.expand(r) : void(keys = r);
                foundKey = true;
            }
            r = p->getValueRange(f);
            if (f) {
                foundValue ? values.expand(r) : void(values = r);
                foundValue = true;
            }
        }
    }
    // Labelled rows stay visible even before they have bars.
    const QMap<double, QString> labels = m_yAxis->customLabels();
    if (!labels.isEmpty()) {
        const QCPRange r(labels.firstKey() - 0.5, labels.lastKey() + 0.5);
        foundValue ? values.expand(r) : void(values = r);
        foundValue = true;
    }
    if (foundKey && keys.size() > 0)
        m_plot->xAxis->setRange(keys);
    if (foundValue) {
        if (values.size() <= 0)
            values = QCPRange(values.lower - 1, values.upper + 1);
        m_plot->yAxis->setRange(values.lower - 0.1, values.upper + 0.1);
    }
}

void Chart::updateInteractionAxes()
{
    // Timelines pan along time only.
    QList<QCPAxis *> dragV;
    if (!m_xAxis->isDatetime())
        dragV << m_plot->yAxis;
    m_plot->axisRect()->setRangeDragAxes({m_plot->xAxis}, dragV);
    m_plot->axisRect()->setRangeZoomAxes({m_plot->xAxis}, {m_plot->yAxis});
}

QVector<QStringList> Chart::dataTable() const
{
    const bool dateTime = m_xAxis->isDatetime();
    const QMap<double, QString> labels = m_yAxis->customLabels();
    QVector<QStringList> rows{{tr("Row"), tr("From"), tr("To"), tr("Length, s"), tr("Colour")}};
    for (const Series *s : qAsConst(m_series)) {
        const auto *bars = qobject_cast<const ColorHBoxSeries *>(s);
        if (!bars)
            continue;
        for (int i = 0; i < bars->barCount(); ++i) {
            const ColorHBoxSeries::Bar bar = bars->bar(i);
            QString colour = bar.first.name();
            if (bar.second.isValid())
                colour += QLatin1Char('/') + bar.second.name();
            rows.append({labels.value(bar.y, ::ChartSeries::tableValue(bar.y)),
                         ::ChartSeries::tableKey(bar.x1, dateTime), ::ChartSeries::tableKey(bar.x2, dateTime),
                         ::ChartSeries::tableValue(bar.x2 - bar.x1), colour});
        }
    }
    return rows.size() > 1 ? rows : QVector<QStringList>();
}

void Chart::addContextAction(QAction *action)
{
    m_controller->addContextAction(action);
}

QList<QAction *> Chart::contextActions() const
{
    return m_controller->contextActions();
}

} // namespace cwsimple
