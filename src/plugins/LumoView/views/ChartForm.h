#ifndef CHARTFORM_H
#define CHARTFORM_H

#include <QList>
#include <QSize>

class ChartWidget;
class QComboBox;
class QDateEdit;
class QDateTimeEdit;
class QLabel;
class QPushButton;
class QWidget;
class ToolRow;

// The form the chart views share: the raised row of controls at the head,
// the chart with its "Save data as CSV" action, and at the foot the message
// line (views that read through their worker) or a status label (views that
// read through the asynchronous service). The controls it adds carry the
// object names the views' slots connect by; their texts are translated in
// the view's own context.
class ChartForm
{
public:
    enum Foot { MessageLine, StatusLabel };
    struct Look
    {
        QSize size;
        // Of the view's layout; -1: the style's.
        int spacing = -1;
        int margins = -1;
        int rowMargin = 1;
        // The row keeps its height when the view grows.
        bool fixedRow = false;
        Foot foot = MessageLine;
    };

    // Builds the form into `view` and names the view `name`.
    ChartForm(QWidget *view, const char *name, const Look &look);

    ToolRow *row() const { return m_row; }
    ChartWidget *chart() const { return m_chart; }
    QLabel *status() const { return m_status; }

    // "Detector:" and the box of the detectors.
    QComboBox *addDetectors(const char *labelName, bool fitContents = true);
    // Day (checked) and Week.
    void addPeriodModes(QPushButton **day, QPushButton **week);
    QDateEdit *addDate(const char *labelName, const char *text, const char *editName);
    QPushButton *addRefresh(const char *name);
    // The previous and next arrows around the date fields, then the stretch
    // that ends the row (none for 0).
    void endRow(const QList<QDateTimeEdit *> &dates, int stretch = 40);

    // The time axis of the views that chart a day or a week, with the legend.
    void setTimeAxis();
    // Day or Week clicked: the axis labelled for the period, then the view
    // loaded again.
    void periodChosen(bool checked, const char *axisFormat);

    // A text in the view's translation context.
    QString viewTr(const char *text) const;

private:
    QWidget *m_view;
    ToolRow *m_row;
    ChartWidget *m_chart;
    QLabel *m_status = nullptr;
    QPushButton *m_refresh = nullptr;
};

#endif // CHARTFORM_H
