#ifndef CSVEXPORTACTION_H
#define CSVEXPORTACTION_H

#include <QAction>
#include <QStringList>
#include <QVector>

#include <functional>

class ChartWidget;
namespace cwsimple {
class Chart;
}

// "Save data as CSV…": asks for a file and writes the rows the provider
// gives at that moment, so the file holds what the view shows.
class CsvExportAction : public QAction
{
    Q_OBJECT
public:
    using RowsProvider = std::function<QVector<QStringList>()>;

    CsvExportAction(QWidget *parent, RowsProvider rows);

    // The action in the chart's context menu, exporting its data.
    static CsvExportAction *addTo(ChartWidget *chart);
    static CsvExportAction *addTo(cwsimple::Chart *chart);

    // Asks for a file name (".csv" is added to a name without suffix) and
    // writes the rows there; a file that cannot be written is reported in a
    // message box over `parent`.
    static void askAndSave(QWidget *parent, const QVector<QStringList> &rows);

    // Writes without asking; false with the reason in *error.
    bool saveTo(const QString &fileName, QString *error) const;

private slots:
    void save();

private:
    QWidget *m_view;
    RowsProvider m_rows;
};

#endif // CSVEXPORTACTION_H
