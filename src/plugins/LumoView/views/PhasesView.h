#ifndef PHASESVIEW_H
#define PHASESVIEW_H

#include "views/ChartForm.h"
#include "views/LiveFollow.h"
#include "views/LumoWidget.h"

#include <QPair>
#include <QVector>

class QCheckBox;
class QDateEdit;
class QPushButton;
class QSpinBox;

// Phase durations of one controller over a day or a week, with moving
// averages and the band of the control source in force; a day or week that
// includes today follows the controller as it writes.
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
    // The two streams of the view's rows: its load's two statements.
    enum Stream { PhaseRuns, ControlSources };

    void setupForm();
    void step(const LiveFollow::Cursors &cursors);
    void replaceFrom(int stream, const QDateTime &from);
    void addBand();
    void orderSeries();
    // The control-source band, from the changes held up to the last phase run.
    void drawStates();

    QList<int> phaseSeries;
    QList<int> avgSeries;
    // The averages were asked for since the last load: a step draws them again.
    bool averagesShown = false;
    // A step added a phase.
    bool newPhase = false;
    // The step under way replaced rows.
    bool stepChanged = false;
    int stateSeriesId = -1;
    // The control-source changes held: when, and the source from then on.
    QVector<QPair<QDateTime, int>> states;
    // Key of the latest phase run drawn; NaN when none is.
    double lastPhaseKey;
    QDate loadedEnd;
    bool loadedPromtact = true;

    ChartForm form;
    ChartWidget *chart;
    QFrame *frame;
    QPushButton *dayData;
    QPushButton *weekData;
    QDateEdit *dateEdit;
    QCheckBox *withPromtact;
    QCheckBox *averaging;
    QSpinBox *avgPoints;
};

#endif // PHASESVIEW_H
