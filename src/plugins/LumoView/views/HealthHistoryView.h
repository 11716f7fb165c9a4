#ifndef HEALTHHISTORYVIEW_H
#define HEALTHHISTORYVIEW_H

#include <QVariantList>
#include <QWidget>

class AsyncDatabase;
class AsyncSqlQuery;
class ChartWidget;
class LineSeries;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;

// The daily health (percent) of one detector of a controller over a date
// range, read through the shared asynchronous query service.
class HealthHistoryView : public QWidget
{
    Q_OBJECT
public:
    HealthHistoryView(QWidget *parent, AsyncDatabase *database, uint object_id, int dt_id);
    ~HealthHistoryView() override;

private slots:
    void on_refreshButton_clicked();
    void q_finished(QVariantList result);
    void q_error(QString message);
    void on_detectors_currentIndexChanged(int index);
    void dtlist_finished(QVariantList result);

private:
    void setupForm();
    // The dock when the view sits in one, else the view itself.
    QWidget *frameWindow() const;

    AsyncDatabase *database;
    AsyncSqlQuery *healthQuery = nullptr;
    AsyncSqlQuery *detectorListQuery = nullptr;
    LineSeries *healthSeries = nullptr;

    QComboBox *detectors = nullptr;
    QDateEdit *start = nullptr;
    QDateEdit *end = nullptr;
    QPushButton *refreshButton = nullptr;
    ChartWidget *chart = nullptr;
    QLabel *status = nullptr;
};

#endif // HEALTHHISTORYVIEW_H
