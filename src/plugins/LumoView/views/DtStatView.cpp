#include "DtStatView.h"

#include "BoxAndWhiskersSeries.h"
#include "ChartWidget.h"
#include "GanttSeries.h"
#include "HighLowSeries.h"
#include "LineSeries.h"

#include "views/ToolRow.h"
#include <QComboBox>
#include <QDateEdit>
#include <QPushButton>
#include <QSpinBox>

DtStatView::DtStatView(QWidget *parent, uint object_id, QStringList detectorNumbers,
                       QSqlDatabase *db, QMutex *dbMutex)
    : DetectorWidget(parent, object_id, detectorNumbers, db, dbMutex)
    , form(this, "DtStatView", {QSize(737, 425), 6, 11})
{
    setupForm();
    initControls();
    form.setTimeAxis();
    QMetaObject::invokeMethod(this, "updateDtList", Qt::QueuedConnection);
}

void DtStatView::setupForm()
{
    ToolRow *row = form.row();
    QComboBox *detectorBox = form.addDetectors("dt_label");
    dateEdit = form.addDate("label", "Date:", "dateEdit");
    row->addLabel("label_2", tr("Parameter:"));
    parameter = row->addComboBox("parameter", {tr("Intensity"), tr("Occupancy"), tr("Speed")});
    row->addLabel("label_3", tr("Deepness (weeks):"));
    deepness = row->add("deepness", new QSpinBox);
    deepness->setValue(15);
    QPushButton *refresh = form.addRefresh("updateData");
    form.endRow({dateEdit});

    connect(dateEdit, &QDateEdit::dateChanged, refresh, &QPushButton::click);
    connect(parameter, QOverload<int>::of(&QComboBox::currentIndexChanged), refresh, &QPushButton::click);
    setForm(form.chart(), form.row(), detectorBox);
    QMetaObject::connectSlotsByName(this);
}

template<typename Series>
Series *DtStatView::seriesOrNew(int id, const QString &name)
{
    if (auto *existing = static_cast<Series *>(chart->series(id)))
        return existing;
    auto *series = new Series;
    series->setName(name);
    chart->addSeries(series, id);
    return series;
}

void DtStatView::on_updateData_clicked(bool)
{
    showProgress();
    resetHealth();
    chart->clear();
    db.requestDtStat(objectId, currentDetector, parameter->currentIndex(), quint8(deepness->value()),
                     dateEdit->date());
    chart->setEnabled(false);
    frame->setEnabled(false);
}

void DtStatView::on_db_lumoDtStatData(QTime time, double median, double min, double max, double Q1,
                                      double Q3)
{
    const QDateTime x(dateEdit->date(), time);
    seriesOrNew<BoxAndWhiskersSeries>(1, tr("Box and whiskers"))->addCandle(x, median, min, max, Q1, Q3);
    const double d = (Q3 - Q1) * 1.5;
    seriesOrNew<HighLowSeries>(2, tr("Confidence interval"))->addPoint(x, std::max(0.0, Q1 - d), Q3 + d);
    LineSeries *medianLine = static_cast<LineSeries *>(chart->series(4));
    if (!medianLine) {
        medianLine = new LineSeries;
        medianLine->setName(tr("Median"));
        medianLine->setVisible(false);
        chart->addSeries(medianLine, 4);
    }
    medianLine->addXY(x, median);
}

void DtStatView::on_db_lumoDtCurrentData(QTime time, double value)
{
    auto *selected = static_cast<LineSeries *>(chart->series(3));
    if (!selected) {
        selected = new LineSeries;
        selected->setName(tr("Selected data"));
        selected->setWidth(3);
        selected->setColor(Qt::darkGreen);
        chart->addSeries(selected, 3);
    }
    // Quarter hours: a missing one, or one without a value, is a gap.
    addCurvePoint(selected, &lastSelectedKey, 900, QDateTime(dateEdit->date(), time), value);
}

void DtStatView::on_db_lumoDt15StateData(QDateTime time, int value)
{
    if (healthSeriesId < 0) {
        auto *health = new GanttSeries;
        health->setColor(Qt::darkGray);
        health->setName(tr("health"));
        health->enableTooltip(true);
        healthSeriesId = chart->addSeries(health);
    }
    auto *health = static_cast<GanttSeries *>(chart->series(healthSeriesId));
    if (!time.date().isValid())
        time = QDateTime(dateEdit->date(), time.time());
    if (health)
        addHealthSample(health, time, value);
}
