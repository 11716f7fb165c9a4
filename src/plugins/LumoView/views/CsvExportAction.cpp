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

QString CsvExportAction::askFileName(QWidget *parent)
{
    QString fileName = QFileDialog::getSaveFileName(parent, tr("Select file to save"), QString(),
                                                    tr("Comma separated value (*.csv)"));
    if (!fileName.isEmpty() && QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".csv");
    return fileName;
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
    const QString fileName = askFileName(m_view);
    if (fileName.isEmpty())
        return;
    QString error;
    if (!CsvWriter::write(fileName, rows, &error))
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
