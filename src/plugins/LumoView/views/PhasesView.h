#ifndef PHASESVIEW_H
#define PHASESVIEW_H

#include "views/LumoWidget.h"

class ChartWidget;
class QCheckBox;
class QDateEdit;
class QFrame;
class QPushButton;
class QSpinBox;

// Phase durations of one controller over a day or a week, with moving
// averages and the band of the control source in force.
class PhasesView : public LumoWidget
{
    Q_OBJECT
public:
    PhasesView(QWidget *parent, uint object_id, QSqlDatabase *db, QMutex *dbMutex);

private slots:
    void on_db_lumoPhaseData(QDateTime time, int phase_id, int length);
    void on_db_lumoStateData(QDateTime time, int state);
    void on_db_complete();
    void on_updateData_clicked(bool checked = false);
    void on_dayData_clicked(bool checked);
    void on_weekData_clicked(bool checked);
    void on_averaging_clicked(bool checked);
    void on_avgPoints_valueChanged(int arg1);

private:
    void setupForm();
    void addStateBar(const QDateTime &to);

    QList<int> phaseSeries;
    QList<int> avgSeries;
    int stateSeriesId = -1;
    QDateTime lastStateTime;
    QDateTime lastPhaseTime;
    int currentState = -1;

    QFrame *frame;
    QPushButton *dayData;
    QPushButton *weekData;
    QDateEdit *dateEdit;
    QCheckBox *withPromtact;
    QCheckBox *averaging;
    QSpinBox *avgPoints;
    ChartWidget *chart;
};

#endif // PHASESVIEW_H
