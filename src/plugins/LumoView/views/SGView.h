#ifndef SGVIEW_H
#define SGVIEW_H

#include "views/LiveFollow.h"
#include "views/LumoWidget.h"
#include "views/SgEvaluation.h"
#include "views/SgRecords.h"

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
// hold the window; the charts take the results whole. A period that
// includes now is followed: a step's rows are evaluated from the last
// checkpoint before them, and the hour view moves on at each hour.
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
    // Sorts the groups, labels the timeline's rows and gives each group its
    // series on both charts.
    void prepareGroups();
    // Evaluates the records from the last checkpoint at or before record
    // number `first` on, in the thread pool.
    void evaluateFrom(int first);
    // Hands a finished evaluation of `groups` from `start` on to the
    // charts, in place of what they hold from there on.
    void showEvaluation(const QVector<int> &groups, const SgEvaluation::Checkpoint &start,
                        SgEvaluation &evaluation);
    void step(const LiveFollow::Cursors &cursors);
    void replaceFrom(int stream, const QDateTime &from);
    void removeAverages();
    void setChartsEnabled(bool enabled);
    // How a timeline bar looks.
    cwsimple::BarLook barLook(SgEvaluation::Look look) const;

    SgRecords records;
    // The groups of the evaluation last started, and where it can go on from.
    QVector<int> evaluatedGroups;
    QVector<SgEvaluation::Checkpoint> checkpoints;
    // The first record a step replaced, to be evaluated again once the
    // evaluation under way is shown; -1 when none.
    int evaluateAgainFrom = -1;
    // The end of the period loaded, for the steps.
    QDateTime loadedEnd;
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
