#include "ChartWidget.h"

#include "Axis.h"
#include "ChartAxes.h"
#include "ChartLegend.h"
#include "ChartSeries.h"
#include "PlotController.h"
#include "VLine.h"
#include "BarPlottable.h"

#include <QToolTip>
#include <QVBoxLayout>
#include <qcustomplot.h>

namespace {
// Distinct, print-friendly colours for series without one of their own.
const QColor kPalette[] = {
    QColor(31, 119, 180), QColor(255, 127, 14), QColor(44, 160, 44),  QColor(214, 39, 40),
    QColor(148, 103, 189), QColor(140, 86, 75), QColor(227, 119, 194), QColor(127, 127, 127),
    QColor(188, 189, 34),  QColor(23, 190, 207),
};
const int kTooltipDistance = 6; // pixels
} // namespace

ChartWidget::ChartWidget(QWidget *parent)
    : QWidget(parent)
    , m_plot(new QCustomPlot(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_plot);

    PlotController::applyDefaultLook(m_plot);
    m_plot->legend->setVisible(true);

    m_controller = new PlotController(m_plot, this);
    m_controller->setPrepareFunction([this] { prepare(); });
    m_controller->setRescaleFunction([this] { rescale(); });

    m_legend = new ChartLegend(m_plot->legend, this);
    m_axes = new ChartAxes(new Axis(m_plot->xAxis), new Axis(m_plot->yAxis), this);
    connect(m_legend, &ChartLegend::changed, this, &ChartWidget::scheduleReplot);
    for (Axis *a : {m_axes->bottom(), m_axes->left()}) {
        connect(a, &Axis::changed, this, &ChartWidget::updateInteractionAxes);
        connect(a, &Axis::changed, this, &ChartWidget::scheduleReplot);
    }
    updateInteractionAxes();

    connect(m_plot, &QCustomPlot::legendClick, this, &ChartWidget::onLegendClick);
    connect(m_plot, &QCustomPlot::mouseMove, this, &ChartWidget::onMouseMove);
}

ChartWidget::~ChartWidget()
{
    // Series detach from the plot in their destructors; delete them while
    // the plot still exists.
    qDeleteAll(m_series);
    m_series.clear();
}

void ChartWidget::setRefreshTimeout(int ms)
{
    m_controller->setRefreshTimeout(ms);
}

int ChartWidget::refreshTimeout() const
{
    return m_controller->refreshTimeout();
}

void ChartWidget::enableTooltip(bool enable)
{
    m_tooltip = enable;
    m_plot->setMouseTracking(enable);
}

void ChartWidget::setAntialiasing(bool enable)
{
    if (enable) {
        m_plot->setNotAntialiasedElements(QCP::aeNone);
        m_plot->setAntialiasedElements(QCP::aePlottables | QCP::aeItems);
    } else {
        m_plot->setAntialiasedElements(QCP::aeNone);
        m_plot->setNotAntialiasedElements(QCP::aeAll);
    }
    scheduleReplot();
}

void ChartWidget::addSeries(ChartSeries *series, int id)
{
    if (!series)
        return;
    if (m_series.value(id) == series)
        return;
    if (m_series.contains(id))
        removeSeries(id);
    series->setParent(this);
    if (!series->hasColor()) {
        series->setColor(kPalette[m_paletteIndex % int(sizeof(kPalette) / sizeof(kPalette[0]))]);
        ++m_paletteIndex;
    }
    series->attach(m_plot->xAxis, m_plot->yAxis);
    m_series.insert(id, series);
    m_order.append(id);
    connect(series, &ChartSeries::changed, this, &ChartWidget::scheduleReplot);
    scheduleReplot();
}

int ChartWidget::addSeries(ChartSeries *series)
{
    int id = 1000;
    while (m_series.contains(id))
        ++id;
    addSeries(series, id);
    return id;
}

ChartSeries *ChartWidget::series(int id) const
{
    return m_series.value(id, nullptr);
}

QList<ChartSeries *> ChartWidget::seriesList() const
{
    QList<ChartSeries *> list;
    for (int id : m_order)
        list.append(m_series.value(id));
    return list;
}

void ChartWidget::takeSeries(int id)
{
    ChartSeries *s = m_series.take(id);
    m_order.removeAll(id);
    if (!s)
        return;
    disconnect(s, nullptr, this, nullptr);
    s->detach();
    // Later: the caller may be inside one of the series' own signals.
    s->deleteLater();
}

void ChartWidget::removeSeries(int id)
{
    takeSeries(id);
    scheduleReplot();
}

void ChartWidget::clear()
{
    const QList<int> ids = m_order;
    for (int id : ids)
        takeSeries(id);
    for (const VLineEntry &e : qAsConst(m_vlines)) {
        if (e.item)
            m_plot->removeItem(e.item.data());
        delete e.line;
    }
    m_vlines.clear();
    m_paletteIndex = 0;
    m_controller->clearUserZoom();
    scheduleReplot();
}

int ChartWidget::addVLine(VLine *line)
{
    if (!line)
        return -1;
    line->setParent(this);
    auto *item = new QCPItemStraightLine(m_plot);
    const double key = ChartSeries::toKey(line->time());
    item->point1->setCoords(key, 0);
    item->point2->setCoords(key, 1);
    item->setPen(QPen(line->color(), line->width()));
    item->setClipToAxisRect(true);
    const int id = m_nextVLineId++;
    m_vlines.insert(id, VLineEntry{line, item});
    scheduleReplot();
    return id;
}

void ChartWidget::replotNow()
{
    m_controller->replotNow();
}

bool ChartWidget::savePng(const QString &fileName)
{
    return m_controller->savePng(fileName);
}

bool ChartWidget::savePdf(const QString &fileName)
{
    return m_controller->savePdf(fileName);
}

int ChartWidget::replotCount() const
{
    return m_controller->replotCount();
}

void ChartWidget::scheduleReplot()
{
    m_controller->scheduleReplot();
}

void ChartWidget::prepare()
{
    for (ChartSeries *s : qAsConst(m_series))
        s->sync();
}

void ChartWidget::rescale()
{
    Axis *bottom = m_axes->bottom();
    Axis *left = m_axes->left();
    if (!bottom->scaleLocked())
        m_plot->xAxis->rescale(true);
    if (left->scaleLocked())
        return;
    bool found = false;
    QCPRange range;
    bool band = false;
    for (ChartSeries *s : qAsConst(m_series)) {
        if (!s->isVisible())
            continue;
        band = band || s->needsBottomBand();
        double lo = 0, hi = 0;
        if (!s->valueRange(&lo, &hi))
            continue;
        if (found)
            range.expand(QCPRange(lo, hi));
        else
            range = QCPRange(lo, hi);
        found = true;
    }
    if (!found)
        return;
    if (range.size() <= 0)
        range = QCPRange(range.lower - 1, range.upper + 1);
    // A little air above and below so lines do not sit on the frame.
    const double pad = range.size() * 0.04;
    range = QCPRange(range.lower - pad, range.upper + pad);
    if (band) {
        // Room at the bottom for the pixel-space band of y = -1 bars. The
        // layout is brought up to date first so the height is the real one.
        QCPLayoutElement *layout = m_plot->plotLayout();
        layout->update(QCPLayoutElement::upPreparation);
        layout->update(QCPLayoutElement::upMargins);
        layout->update(QCPLayoutElement::upLayout);
        const double h = qMax(50, m_plot->axisRect()->height());
        const double px = BarPlottable::bandPixelHeight() + 4;
        range.lower -= range.size() * px / (h - px);
    }
    m_plot->yAxis->setRange(range);
}

void ChartWidget::updateInteractionAxes()
{
    Axis *bottom = m_axes->bottom();
    Axis *left = m_axes->left();
    QList<QCPAxis *> h, v, zh, zv;
    if (!bottom->scaleLocked()) {
        h << m_plot->xAxis;
        zh << m_plot->xAxis;
    }
    if (!left->scaleLocked()) {
        zv << m_plot->yAxis;
        // Time charts pan along time only; vertical drags would be noise.
        if (!bottom->isDatetime())
            v << m_plot->yAxis;
    }
    m_plot->axisRect()->setRangeDragAxes(h, v);
    m_plot->axisRect()->setRangeZoomAxes(zh, zv);
}

void ChartWidget::onLegendClick(QCPLegend *legend, QCPAbstractLegendItem *item, QMouseEvent *event)
{
    Q_UNUSED(legend)
    Q_UNUSED(event)
    auto *pitem = qobject_cast<QCPPlottableLegendItem *>(item);
    if (!pitem)
        return;
    for (ChartSeries *s : qAsConst(m_series)) {
        if (s->mainPlottable() == pitem->plottable()) {
            s->setVisible(!s->isVisible());
            // Immediate feedback on a click rather than waiting for the timer.
            m_controller->replotNow();
            return;
        }
    }
}

QString ChartWidget::tooltipTextAt(const QPoint &pos) const
{
    const bool dateTime = m_axes->bottom()->isDatetime();
    QString best;
    double bestDistance = 0;
    for (int i = m_order.size() - 1; i >= 0; --i) {
        ChartSeries *s = m_series.value(m_order.at(i));
        if (!s || !s->isVisible() || !s->tooltipEnabled())
            continue;
        double d = 0;
        const QString text = s->tooltipText(pos, kTooltipDistance, dateTime, &d);
        if (!text.isEmpty() && (best.isEmpty() || d < bestDistance)) {
            best = text;
            bestDistance = d;
        }
    }
    return best;
}

void ChartWidget::onMouseMove(QMouseEvent *event)
{
    if (!m_tooltip || event->buttons() != Qt::NoButton)
        return;
    const QString text = tooltipTextAt(event->pos());
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(m_plot->mapToGlobal(event->pos() + QPoint(12, 12)), text, m_plot);
}

QVector<QStringList> ChartWidget::dataTable() const
{
    const bool dateTime = m_axes->bottom()->isDatetime();
    QVector<QStringList> rows;
    for (int id : m_order) {
        const ChartSeries *s = m_series.value(id);
        if (!s || !s->isVisible())
            continue;
        QVector<QStringList> own = s->table(dateTime);
        if (own.size() < 2)
            continue;
        if (!rows.isEmpty())
            rows.append(QStringList());
        own[0].prepend(tr("Series"));
        for (int i = 1; i < own.size(); ++i)
            own[i].prepend(s->name());
        rows += own;
    }
    return rows;
}

void ChartWidget::addContextAction(QAction *action)
{
    m_controller->addContextAction(action);
}

QList<QAction *> ChartWidget::contextActions() const
{
    return m_controller->contextActions();
}
