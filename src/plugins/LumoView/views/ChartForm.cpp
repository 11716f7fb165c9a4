#include "ChartForm.h"

#include "views/CsvExportAction.h"
#include "views/DayNavigator.h"
#include "views/ToolRow.h"

#include "ChartWidget.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The form's texts belong to each view: each translates them in its own
// context. Listed here for the translation tools.
[[maybe_unused]] const char *const formTexts[] = {
    QT_TRANSLATE_NOOP("PhasesView", "Day"),
    QT_TRANSLATE_NOOP("PhasesView", "Week"),
    QT_TRANSLATE_NOOP("PhasesView", "Date:"),
    QT_TRANSLATE_NOOP("PhasesView", "Refresh"),
    QT_TRANSLATE_NOOP("DtView", "Detector:"),
    QT_TRANSLATE_NOOP("DtView", "Day"),
    QT_TRANSLATE_NOOP("DtView", "Week"),
    QT_TRANSLATE_NOOP("DtView", "Date:"),
    QT_TRANSLATE_NOOP("DtView", "Refresh"),
    QT_TRANSLATE_NOOP("DtStatView", "Detector:"),
    QT_TRANSLATE_NOOP("DtStatView", "Date:"),
    QT_TRANSLATE_NOOP("DtStatView", "Refresh"),
    QT_TRANSLATE_NOOP("HealthHistoryView", "Detector:"),
    QT_TRANSLATE_NOOP("HealthHistoryView", "Start date:"),
    QT_TRANSLATE_NOOP("HealthHistoryView", "End date:"),
    QT_TRANSLATE_NOOP("HealthHistoryView", "Refresh"),
    QT_TRANSLATE_NOOP("FaultsDtView", "Detector:"),
    QT_TRANSLATE_NOOP("FaultsDtView", "date:"),
    QT_TRANSLATE_NOOP("FaultsDtView", "Refresh"),
};

} // namespace

ChartForm::ChartForm(QWidget *view, const char *name, const Look &look)
    : m_view(view)
{
    view->setObjectName(QLatin1String(name));
    view->resize(look.size);
    view->setWindowTitle(QString());
    auto *column = new QVBoxLayout(view);
    column->setObjectName(QStringLiteral("verticalLayout"));
    if (look.spacing >= 0)
        column->setSpacing(look.spacing);
    if (look.margins >= 0)
        column->setContentsMargins(look.margins, look.margins, look.margins, look.margins);

    m_row = new ToolRow(view, look.rowMargin);
    if (look.fixedRow)
        m_row->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    column->addWidget(m_row);

    m_chart = new ChartWidget(view);
    m_chart->setObjectName(QStringLiteral("chart"));
    CsvExportAction::addTo(m_chart);
    m_chart->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    column->addWidget(m_chart);

    if (look.foot == MessageLine) {
        auto *log = new QComboBox(view);
        log->setObjectName(QStringLiteral("log"));
        log->setFrame(false);
        column->addWidget(log);
    } else {
        m_status = new QLabel(view);
        m_status->setObjectName(QStringLiteral("status"));
        column->addWidget(m_status);
    }
}

QString ChartForm::viewTr(const char *text) const
{
    return QCoreApplication::translate(m_view->metaObject()->className(), text);
}

QComboBox *ChartForm::addDetectors(const char *labelName, bool fitContents)
{
    m_row->addLabel(labelName, viewTr("Detector:"));
    QComboBox *box = m_row->addComboBox("detectors");
    if (fitContents)
        box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return box;
}

void ChartForm::addPeriodModes(QPushButton **day, QPushButton **week)
{
    *day = m_row->addModeButton("dayData", viewTr("Day"), true);
    *week = m_row->addModeButton("weekData", viewTr("Week"), false);
}

QDateEdit *ChartForm::addDate(const char *labelName, const char *text, const char *editName)
{
    m_row->addLabel(labelName, viewTr(text));
    return m_row->addDateEdit(editName);
}

QPushButton *ChartForm::addRefresh(const char *name)
{
    m_refresh = m_row->addButton(name, viewTr("Refresh"));
    return m_refresh;
}

void ChartForm::endRow(const QList<QDateTimeEdit *> &dates, int stretch)
{
    (new DayNavigator(m_view, dates, m_refresh))->placeIn(m_row->boxLayout());
    if (stretch > 0)
        m_row->addStretch(stretch);
}

void ChartForm::setTimeAxis()
{
    m_chart->setRefreshTimeout(300);
    m_chart->legend()->setVisible(true);
    m_chart->axes()->bottom()->setDatetime(true);
    m_chart->axes()->bottom()->setDatetimeFormat(QStringLiteral("hh:mm:ss"));
}

void ChartForm::periodChosen(bool checked, const char *axisFormat)
{
    if (!checked)
        return;
    m_chart->axes()->bottom()->setDatetimeFormat(QLatin1String(axisFormat));
    QMetaObject::invokeMethod(m_refresh, "click", Qt::QueuedConnection);
}
