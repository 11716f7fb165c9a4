#ifndef FAULTSDTVIEW_H
#define FAULTSDTVIEW_H

#include "views/ChartForm.h"

#include <QDate>
#include <QList>
#include <QMap>
#include <QSet>
#include <QVariantList>
#include <QWidget>

class AsyncDatabase;
class AsyncSqlQuery;
class ChartWidget;
class LineSeries;
class PointSeries;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;

// The rejection chart of one detector for one day: every raw record is a
// point in the occupancy-intensity plane, drawn as "normal" or in the series
// of each fault it has against the detector's fault parameters and the
// intensity limits of the day type. All SQL goes through the shared
// asynchronous service.
class FaultsDtView : public QWidget
{
    Q_OBJECT
public:
    FaultsDtView(QWidget *parent, AsyncDatabase *database, uint object_id, int dt_id, QDate date);
    ~FaultsDtView() override;

    // The day's records of a detector; the detector, the day and the next
    // day are bound in this order.

private slots:
    void on_refreshButton_clicked();
    void q1_finished(QVariantList result);
    void q2_finished(QVariantList result);
    void q2_2_finished(QVariantList result);
    void q3_finished(QVariantList result);
    void q_error(QString message);
    // The service cannot reach the database while queries of this view wait.
    void connectionError(const QString &message);
    void on_detectors_currentIndexChanged(int index);
    void dtlist_finished(QVariantList result);

private:
    void setupForm();
    void setupChart();
    AsyncSqlQuery *makeQuery(const QString &text, const char *finishedSlot);
    void submit(AsyncSqlQuery *query);
    // True when the query's answer is the one awaited; forgets it.
    bool answered();
    void requestData();
    void readLimits(const QVariantList &result, QMap<int, double> *limits);
    QWidget *titleHolder();

    ChartForm form;
    ChartWidget *chart = nullptr;
    QComboBox *detectors = nullptr;
    QDateEdit *date = nullptr;
    QPushButton *refreshButton = nullptr;
    QLabel *status = nullptr;

    AsyncDatabase *database;
    AsyncSqlQuery *dtListQuery = nullptr;
    // Parameters, upper limits, lower limits, records, in this order.
    QList<AsyncSqlQuery *> dataQueries;
    // Queries submitted and not answered yet: a query object must not be
    // bound and submitted again while the service still holds it.
    QSet<AsyncSqlQuery *> inFlight;
    bool dataRequestPending = false;

    double alpha = 0;
    double beta = 0;
    double tp = 0;
    double kc = 0;

    QList<PointSeries *> pointSeries;
    LineSeries *leftBorder = nullptr;
    LineSeries *rightBorder = nullptr;
    QMap<int, double> upperLimits;
    QMap<int, double> lowerLimits;
};

#endif // FAULTSDTVIEW_H
