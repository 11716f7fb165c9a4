#include "DetectorWidget.h"

#include "ChartWidget.h"
#include "GanttSeries.h"

#include <QComboBox>
#include <QFrame>
#include <QMessageBox>
#include <QPushButton>

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
        QMessageBox::warning(this, QString(), tr("The selected object does not have detectors"));
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
    if (noDetectors)
        return;
    if (currentDetector.isEmpty()) {
        QMessageBox::critical(this, tr("Error"), tr("Obtaining a list of detectors is interrupted"));
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
    titled->setWindowTitle(tr("Data from the detector %1 for object %2").arg(currentDetector).arg(objectId));
    QMetaObject::invokeMethod(updateData, "click", Qt::QueuedConnection);
}

void DetectorWidget::resetHealth()
{
    lastState = -1;
    lastStateTime = QDateTime();
    healthSeriesId = -1;
}

QString DetectorWidget::healthText(int state)
{
    if (state < 0)
        return tr("unknown");
    if (state == 0)
        return tr("no failure");
    // Failure 3 has no bit of its own.
    static const int failureOfBit[] = {1, 2, 4, 5, 6, 7, 8};
    QString text = tr("failures:");
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
    if (lastState < 0) {
        lastStateTime = time;
        lastState = value;
        return;
    }
    const QColor colour = value < 0 ? QColor(Qt::gray) : value == 0 ? QColor(Qt::green) : QColor();
    health->addBar(lastStateTime.toMSecsSinceEpoch() / 1000.0, time.toMSecsSinceEpoch() / 1000.0, -1,
                   colour, healthText(value));
    lastStateTime = time;
    lastState = value;
}
