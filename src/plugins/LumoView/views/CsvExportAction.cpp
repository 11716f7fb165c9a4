#include "CsvExportAction.h"

#include "views/CsvWriter.h"

#include "ChartWidget.h"
#include "cwsimple/Chart.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QWidget>

CsvExportAction::CsvExportAction(QWidget *parent, RowsProvider rows)
    : QAction(tr("Save data as CSV…"), parent)
    , m_view(parent)
    , m_rows(std::move(rows))
{
    setObjectName(QStringLiteral("saveCsv"));
    connect(this, &QAction::triggered, this, &CsvExportAction::save);
}

void CsvExportAction::askAndSave(QWidget *parent, const QVector<QStringList> &rows)
{
    QString fileName = QFileDialog::getSaveFileName(parent, tr("Select file to save"), QString(),
                                                    tr("Comma separated value (*.csv)"));
    if (fileName.isEmpty())
        return;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".csv");
    QString error;
    if (!CsvWriter::write(fileName, rows, &error))
        QMessageBox::critical(parent, tr("Error"), tr("Error open file %1: %2").arg(fileName, error));
}

bool CsvExportAction::saveTo(const QString &fileName, QString *error) const
{
    return CsvWriter::write(fileName, m_rows(), error);
}

void CsvExportAction::save()
{
    // Taken once: a chart of a million points is not tabled twice.
    const QVector<QStringList> rows = m_rows();
    if (rows.isEmpty()) {
        QMessageBox::information(m_view, tr("Save data"), tr("There is no data to save."));
        return;
    }
    askAndSave(m_view, rows);
}

namespace {

// Both chart kinds table their data and take extra context-menu actions.
template<typename Chart>
CsvExportAction *addToChart(Chart *chart)
{
    auto *action = new CsvExportAction(chart, [chart] { return chart->dataTable(); });
    chart->addContextAction(action);
    return action;
}

} // namespace

CsvExportAction *CsvExportAction::addTo(ChartWidget *chart)
{
    return addToChart(chart);
}

CsvExportAction *CsvExportAction::addTo(cwsimple::Chart *chart)
{
    return addToChart(chart);
}
