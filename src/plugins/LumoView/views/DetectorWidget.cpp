#include "DetectorWidget.h"

#include "views/LiveFollow.h"

#include "ChartWidget.h"
#include "GanttSeries.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QMessageBox>
#include <QPushButton>
#include <QtMath>

namespace {

// The texts the detector views share belong to each view: each translates
// them in its own context. Listed here, once for each, for the translation
// tools.
[[maybe_unused]] const char *const viewTexts[] = {
    QT_TRANSLATE_NOOP("DtView", "The selected object does not have detectors"),
    QT_TRANSLATE_NOOP("DtStatView", "The selected object does not have detectors"),
    QT_TRANSLATE_NOOP("DtView", "Error"),
    QT_TRANSLATE_NOOP("DtStatView", "Error"),
    QT_TRANSLATE_NOOP("DtView", "Obtaining a list of detectors is interrupted"),
    QT_TRANSLATE_NOOP("DtStatView", "Obtaining a list of detectors is interrupted"),
    QT_TRANSLATE_NOOP("DtView", "Data from the detector %1 for object %2"),
    QT_TRANSLATE_NOOP("DtStatView", "Data from the detector %1 for object %2"),
    QT_TRANSLATE_NOOP("DtView", "unknown"),
    QT_TRANSLATE_NOOP("DtStatView", "unknown"),
    QT_TRANSLATE_NOOP("DtView", "no failure"),
    QT_TRANSLATE_NOOP("DtStatView", "no failure"),
    QT_TRANSLATE_NOOP("DtView", "failures:"),
    QT_TRANSLATE_NOOP("DtStatView", "failures:"),
};

} // namespace

DetectorWidget::DetectorWidget(QWidget *parent, uint object_id, const QStringList &detectorNumbers,
                               QSqlDatabase *db, QMutex *dbMutex)
    : LumoWidget(parent, object_id, db, dbMutex)
    , detectorList(detectorNumbers)
{
    if (detectorList.size() == 1)
        currentDetector = detectorList.first();
}

void DetectorWidget::setForm(ChartWidget *chartWidget, QFrame *frameWidget, QComboBox *detectorBox)
{
    chart = chartWidget;
    frame = frameWidget;
    detectors = detectorBox;
}

void DetectorWidget::updateDtList()
{
    showProgress();
    detectors->blockSignals(true);
    detectors->clear();
    if (detectorList.size() > 1)
        detectors->addItem(detectorList.join(QLatin1Char('+')));
    db.requestDetectors(objectId);
    chart->setEnabled(false);
    frame->setEnabled(false);
}

void DetectorWidget::closeView()
{
    QWidget *target = parentWidget() ? parentWidget() : this;
    target->close();
}

void DetectorWidget::on_db_lumoDt(int dt_id)
{
    if (dt_id < 0) {
        noDetectors = true;
        QMessageBox::warning(this, QString(), viewTr("The selected object does not have detectors"));
        closeView();
        return;
    }
    detectors->addItem(QString::number(dt_id));
    detectors->setCurrentIndex(-1);
    if (currentDetector.isEmpty())
        currentDetector = detectors->itemText(0);
}

void DetectorWidget::on_db_complete()
{
    // A step of a view that follows today changes nothing of the form.
    if (noDetectors || (follow && follow->completed() == LiveFollow::StepEnded))
        return;
    if (currentDetector.isEmpty()) {
        QMessageBox::critical(this, viewTr("Error"), viewTr("Obtaining a list of detectors is interrupted"));
        closeView();
        return;
    }
    detectors->blockSignals(false);
    const int found = detectors->findText(currentDetector, Qt::MatchExactly | Qt::MatchCaseSensitive);
    detectors->setCurrentIndex(found >= 0 ? found : 0);
    chart->setEnabled(true);
    frame->setEnabled(true);
}

void DetectorWidget::on_detectors_currentIndexChanged(int index)
{
    currentDetector = detectors->itemText(index);
    QWidget *titled = parentWidget() ? parentWidget() : this;
    titled->setWindowTitle(viewTr("Data from the detector %1 for object %2").arg(currentDetector).arg(objectId));
    QMetaObject::invokeMethod(updateData, "click", Qt::QueuedConnection);
}

void DetectorWidget::resetHealth()
{
    lastStateTime = QDateTime();
    healthSeriesId = -1;
}

QString DetectorWidget::viewTr(const char *text) const
{
    return QCoreApplication::translate(metaObject()->className(), text);
}

QString DetectorWidget::healthText(int state) const
{
    if (state < 0)
        return viewTr("unknown");
    if (state == 0)
        return viewTr("no failure");
    // Failure 3 has no bit of its own.
    static const int failureOfBit[] = {1, 2, 4, 5, 6, 7, 8};
    QString text = viewTr("failures:");
    for (int bit = 0; bit < 7; ++bit) {
        if (state & (1 << bit))
            text += QString::number(failureOfBit[bit]) + QLatin1Char(',');
    }
    if (text.endsWith(QLatin1Char(',')))
        text.chop(1);
    return text;
}

void DetectorWidget::addHealthSample(GanttSeries *health, const QDateTime &time, int value)
{
    // A sample describes the interval since the one before it. Only the
    // first has none; a sample after an unknown one still gets its bar, so
    // an unknown state hides nothing that follows it.
    if (lastStateTime.isNull()) {
        lastStateTime = time;
        return;
    }
    const QColor colour = value < 0 ? QColor(Qt::gray) : value == 0 ? QColor(Qt::green) : QColor();
    health->addBar(ChartSeries::toKey(lastStateTime), ChartSeries::toKey(time), -1, colour, healthText(value));
    lastStateTime = time;
}

void DetectorWidget::addCurvePoint(ChartSeries *series, double *lastKey, double step,
                                   const QDateTime &time, double value)
{
    const double key = ChartSeries::toKey(time);
    // The chart breaks its line at a NaN value.
    if (series->pointsCount() > 0 && key - *lastKey > step * 1.5)
        series->addXY(*lastKey + step, qQNaN());
    *lastKey = key;
    series->addXY(key, value);
}
