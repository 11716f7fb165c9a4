#ifndef SGVIEW_H
#define SGVIEW_H

#include "views/LumoWidget.h"
#include "views/SgEvaluation.h"

#include <QPixmap>

#include <vector>

class BackgroundJob;
class ChartWidget;
class DayNavigator;
class QCheckBox;
class QDateTimeEdit;
class QFrame;
class QPushButton;
class QRadioButton;
class QStackedWidget;

namespace cwsimple {
class Chart;
class ColorHBoxSeries;
struct BarLook;
}

// How the signal groups of a controller changed state over an hour, a day
// or a week: a timeline, the open periods and the cycle lengths. A load is
// evaluated and smoothed in the thread pool, so that a dense week does not
// hold the window; the charts take the results whole.
class SGView : public LumoWidget
{
    Q_OBJECT
public:
    SGView(QWidget *parent, uint object_id, QSqlDatabase *db, QMutex *dbMutex);
    ~SGView() override;

    // Circular binomial smoothing of order 8, as the smoothed lines show it.
    static QVector<double> smoothed(const QVector<double> &values);

private slots:
    void on_db_lumoSgData(const QDateTime &time, int sg_id, int state);
    void on_db_complete();
    void on_updateData_clicked(bool checked = false);
    void on_hourData_clicked(bool checked);
    void on_dayData_clicked(bool checked);
    void on_weekData_clicked(bool checked);
    void on_averaging_clicked(bool checked);
    void on_sg_clicked(bool checked);
    void on_timeline_clicked(bool checked);
    void on_cycles_clicked(bool checked);

private:
    void setupForm();
    void setAxisFormats(const QString &format);
    // The start of the period shown, as written in the database.
    void setStart(const QDate &date, const QTime &time);
    // Hands a finished evaluation of `groups` to the charts.
    void showEvaluation(const QVector<int> &groups, SgEvaluation &evaluation);
    void setChartsEnabled(bool enabled);
    // How a timeline bar looks.
    cwsimple::BarLook barLook(SgEvaluation::Look look) const;

    std::vector<SgRecord> records;
    // A load was started and its evaluation is still to begin.
    bool loadPending = false;
    BackgroundJob *evaluation;
    BackgroundJob *smoothing;
    // The bar fills of states 2 and 3 and of state 32.
    const QPixmap greenStripes;
    const QPixmap amberStripes;
    QList<int> sgIds;
    QList<int> xyAvgSeries;
    QList<int> cycleAvgSeries;

    QFrame *frame;
    QPushButton *hourData;
    QPushButton *dayData;
    QPushButton *weekData;
    QDateTimeEdit *dateTimeEdit;
    DayNavigator *days;
    QRadioButton *sg;
    QRadioButton *timeline;
    QRadioButton *cycles;
    QCheckBox *averaging;
    QStackedWidget *stackedWidget;
    QWidget *xyPage;
    QWidget *timelinePage;
    QWidget *cyclePage;
    ChartWidget *xyChart;
    cwsimple::Chart *tlChart;
    ChartWidget *cycleChart;
};

#endif // SGVIEW_H
