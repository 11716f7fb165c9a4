#include "PlotController.h"

#include <QFileDialog>
#include <QMenu>
#include <qcustomplot.h>

PlotController::PlotController(QCustomPlot *plot, QObject *parent)
    : QObject(parent)
    , m_plot(plot)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(300);
    connect(&m_timer, &QTimer::timeout, this, &PlotController::replotNow);

    m_plot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    // Any wheel or drag means the user chose a view: stop following the data.
    connect(m_plot, &QCustomPlot::mouseWheel, this, [this] { m_userZoomed = true; });
    connect(m_plot, &QCustomPlot::mousePress, this, &PlotController::onMousePress);
    connect(m_plot, &QCustomPlot::mouseMove, this, &PlotController::onMouseMove);
    connect(m_plot, &QCustomPlot::mouseRelease, this, [this] { m_pressed = false; });
    connect(m_plot, &QCustomPlot::mouseDoubleClick, this, [this] { resetZoom(); });

    m_plot->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_plot, &QWidget::customContextMenuRequested, this, &PlotController::onContextMenu);
}

void PlotController::setRefreshTimeout(int ms)
{
    m_timer.setInterval(qMax(0, ms));
}

void PlotController::scheduleReplot()
{
    // Never restart a running timer: a steady stream of changes must still
    // replot once per timeout rather than starve the display.
    if (!m_timer.isActive())
        m_timer.start();
}

void PlotController::replotNow()
{
    m_timer.stop();
    // A hidden widget gets no resize events, so QCustomPlot's viewport can
    // lag behind its geometry; layout and rescale need the real size.
    if (m_plot->viewport() != m_plot->rect())
        m_plot->setViewport(m_plot->rect());
    if (m_prepare)
        m_prepare();
    if (!m_userZoomed && m_rescale)
        m_rescale();
    m_plot->replot(QCustomPlot::rpImmediateRefresh);
    ++m_replotCount;
}

void PlotController::resetZoom()
{
    m_userZoomed = false;
    replotNow();
}

QSize PlotController::exportSize() const
{
    // A never-shown widget may still have a tiny default size.
    QSize s = m_plot->size();
    if (s.width() < 200 || s.height() < 150)
        s = QSize(800, 600);
    return s;
}

bool PlotController::savePng(const QString &fileName)
{
    if (m_prepare)
        m_prepare();
    const QSize s = exportSize();
    return m_plot->savePng(fileName, s.width(), s.height());
}

bool PlotController::savePdf(const QString &fileName)
{
    if (m_prepare)
        m_prepare();
    const QSize s = exportSize();
    return m_plot->savePdf(fileName, s.width(), s.height());
}

void PlotController::applyDefaultLook(QCustomPlot *plot)
{
    QFont font(QStringLiteral("DejaVu Sans"), 9);
    plot->setFont(font);
    plot->setBackground(Qt::white);
    plot->setNoAntialiasingOnDrag(true);
    plot->setPlottingHint(QCP::phCacheLabels, true);
    // Lines as separate segments: a week of points zigzags within every
    // pixel column, and one outline around all of it takes seconds to fill.
    plot->setPlottingHint(QCP::phFastPolylines, true);
    const QList<QCPAxis *> axes = plot->axisRect()->axes();
    for (QCPAxis *axis : axes) {
        axis->setTickLabelFont(font);
        axis->setLabelFont(font);
        axis->grid()->setPen(QPen(QColor(225, 225, 225), 0, Qt::SolidLine));
        axis->grid()->setSubGridPen(QPen(QColor(242, 242, 242), 0, Qt::DotLine));
        axis->setBasePen(QPen(QColor(120, 120, 120)));
        axis->setTickPen(QPen(QColor(120, 120, 120)));
        axis->setSubTickPen(QPen(QColor(160, 160, 160)));
    }
    plot->legend->setFont(font);
    plot->legend->setBrush(QColor(255, 255, 255, 220));
    plot->legend->setBorderPen(QPen(QColor(200, 200, 200)));
    plot->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignRight);
}

void PlotController::onMousePress(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
    m_pressPos = event->pos();
}

void PlotController::onMouseMove(QMouseEvent *event)
{
    if (m_pressed && (event->buttons() & Qt::LeftButton)
        && (event->pos() - m_pressPos).manhattanLength() > 2)
        m_userZoomed = true;
}

void PlotController::onContextMenu(const QPoint &pos)
{
    QMenu menu(m_plot);
    QAction *png = menu.addAction(tr("Save as PNG…"));
    QAction *pdf = menu.addAction(tr("Save as PDF…"));
    const QList<QAction *> extra = contextActions();
    if (!extra.isEmpty()) {
        menu.addSeparator();
        menu.addActions(extra);
    }
    QAction *chosen = menu.exec(m_plot->mapToGlobal(pos));
    if (chosen == png) {
        const QString f = QFileDialog::getSaveFileName(m_plot, tr("Save as PNG"), QString(),
                                                       tr("PNG images (*.png)"));
        if (!f.isEmpty())
            savePng(f);
    } else if (chosen == pdf) {
        const QString f = QFileDialog::getSaveFileName(m_plot, tr("Save as PDF"), QString(),
                                                       tr("PDF documents (*.pdf)"));
        if (!f.isEmpty())
            savePdf(f);
    }
}

void PlotController::addContextAction(QAction *action)
{
    m_actions.append(action);
}

QList<QAction *> PlotController::contextActions() const
{
    QList<QAction *> actions;
    for (const QPointer<QAction> &action : m_actions) {
        if (action)
            actions.append(action);
    }
    return actions;
}
