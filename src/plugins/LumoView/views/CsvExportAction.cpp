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

bool CsvExportAction::saveTo(const QString &fileName, QString *error) const
{
    return CsvWriter::write(fileName, m_rows(), error);
}

void CsvExportAction::save()
{
    if (m_rows().isEmpty()) {
        QMessageBox::information(m_view, tr("Save data"), tr("There is no data to save."));
        return;
    }
    QString fileName = QFileDialog::getSaveFileName(m_view, tr("Select file to save"), QString(),
                                                    tr("Comma separated value (*.csv)"));
    if (fileName.isEmpty())
        return;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".csv");
    QString error;
    if (!saveTo(fileName, &error))
        QMessageBox::critical(m_view, tr("Error"), tr("Error open file %1: %2").arg(fileName, error));
}

CsvExportAction *CsvExportAction::addTo(ChartWidget *chart)
{
    auto *action = new CsvExportAction(chart, [chart] { return chart->dataTable(); });
    chart->addContextAction(action);
    return action;
}

CsvExportAction *CsvExportAction::addTo(cwsimple::Chart *chart)
{
    auto *action = new CsvExportAction(chart, [chart] { return chart->dataTable(); });
    chart->addContextAction(action);
    return action;
}
