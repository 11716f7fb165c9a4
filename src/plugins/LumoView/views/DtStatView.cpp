#include "DtStatView.h"

#include "BoxAndWhiskersSeries.h"
#include "ChartWidget.h"
#include "views/CsvExportAction.h"
#include "GanttSeries.h"
#include "HighLowSeries.h"
#include "LineSeries.h"

#include "views/DayNavigator.h"
#include "views/ToolRow.h"
#include <QComboBox>
#include <QDateEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

DtStatView::DtStatView(QWidget *parent, uint object_id, QStringList detectorNumbers,
                       QSqlDatabase *db, QMutex *dbMutex)
    : DetectorWidget(parent, object_id, detectorNumbers, db, dbMutex)
{
    setupForm();
    initControls();
    chart->setRefreshTimeout(300);
    chart->legend()->setVisible(true);
    chart->axes()->bottom()->setDatetime(true);
    chart->axes()->bottom()->setDatetimeFormat(QStringLiteral("hh:mm:ss"));
    QMetaObject::invokeMethod(this, "updateDtList", Qt::QueuedConnection);
}

void DtStatView::setupForm()
{
    setObjectName(QStringLiteral("DtStatView"));
    resize(737, 425);
    setWindowTitle(QString());
    auto *verticalLayout = new QVBoxLayout(this);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    verticalLayout->setSpacing(6);
    verticalLayout->setContentsMargins(11, 11, 11, 11);

    auto *frameWidget = new ToolRow(this);
    frameWidget->addLabel("dt_label", tr("Detector:"));
    QComboBox *detectorBox = frameWidget->addComboBox("detectors");
    detectorBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    frameWidget->addLabel("label", tr("Date:"));
    dateEdit = frameWidget->addDateEdit("dateEdit");
    frameWidget->addLabel("label_2", tr("Parameter:"));
    parameter = frameWidget->addComboBox("parameter", {tr("Intensity"), tr("Occupancy"), tr("Speed")});
    frameWidget->addLabel("label_3", tr("Deepness (weeks):"));
    deepness = frameWidget->add("deepness", new QSpinBox);
    deepness->setValue(15);
    QPushButton *refresh = frameWidget->addButton("updateData", tr("Refresh"));
    (new DayNavigator(this, {dateEdit}, refresh))->placeIn(frameWidget->boxLayout());
    frameWidget->addStretch();
    verticalLayout->addWidget(frameWidget);

    auto *chartWidget = new ChartWidget(this);
    chartWidget->setObjectName(QStringLiteral("chart"));
    CsvExportAction::addTo(chartWidget);
    chartWidget->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    verticalLayout->addWidget(chartWidget);
    auto *logBox = new QComboBox(this);
    logBox->setObjectName(QStringLiteral("log"));
    logBox->setFrame(false);
    verticalLayout->addWidget(logBox);

    connect(dateEdit, &QDateEdit::dateChanged, refresh, &QPushButton::click);
    connect(parameter, QOverload<int>::of(&QComboBox::currentIndexChanged), refresh, &QPushButton::click);
    setForm(chartWidget, frameWidget, detectorBox);
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
