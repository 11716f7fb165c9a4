#ifndef HEALTHHISTORYVIEW_H
#define HEALTHHISTORYVIEW_H

#include "views/ChartForm.h"

#include <QSet>
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
    // The service cannot reach the database while queries of this view wait.
    void connectionError(const QString &message);

private:
    void setupForm();
    void submit(AsyncSqlQuery *query);
    // True when the sender's answer is the one awaited; forgets it.
    bool answered();
    void requestHealth();
    // The dock when the view sits in one, else the view itself.
    QWidget *frameWindow() const;

    AsyncDatabase *database;
    ChartForm form;
    AsyncSqlQuery *healthQuery = nullptr;
    AsyncSqlQuery *detectorListQuery = nullptr;
    LineSeries *healthSeries = nullptr;
    // Queries submitted and not answered yet: one the service still holds
    // is not bound and submitted again.
    QSet<AsyncSqlQuery *> inFlight;
    // Another detector was chosen while the history of the last one was read.
    bool healthRequestPending = false;

    QComboBox *detectors = nullptr;
    QDateEdit *start = nullptr;
    QDateEdit *end = nullptr;
    QPushButton *refreshButton = nullptr;
    ChartWidget *chart = nullptr;
    QLabel *status = nullptr;
};

#endif // HEALTHHISTORYVIEW_H
