#ifndef DETECTORWIDGET_H
#define DETECTORWIDGET_H

#include "views/LumoWidget.h"

#include <QStringList>

class ChartSeries;
class ChartWidget;
class GanttSeries;
class QComboBox;
class QFrame;

// Base of the views of one detector or a detector selection: the list of
// the object's detectors and the health strip.
class DetectorWidget : public LumoWidget
{
    Q_OBJECT
public:
    DetectorWidget(QWidget *parent, uint object_id, const QStringList &detectors, QSqlDatabase *db,
                   QMutex *dbMutex);

    QString currentDetectorText() const { return currentDetector; }


public slots:
    Q_INVOKABLE void updateDtList();

protected slots:
    void on_db_lumoDt(int dt_id);
    void on_db_complete();
    void on_detectors_currentIndexChanged(int index);

protected:
    // Called by the views once their form is built.
    void setForm(ChartWidget *chart, QFrame *frame, QComboBox *detectors);
    // One health sample: a bar from the previous sample to this one, in the
    // sample's own state (grey "unknown" for an unknown one).
    void addHealthSample(GanttSeries *health, const QDateTime &time, int value);
    void resetHealth();
    // Adds a point to a curve whose slots are `step` seconds apart; where
    // slots are missing since `lastKey` the line is broken first, so that a
    // gap does not read as a line across it.
    static void addCurvePoint(ChartSeries *series, double *lastKey, double step, const QDateTime &time,
                              double value);
    void closeView();
    // The health strip's text for a state: "no failure", "unknown" or the
    // failure numbers of its bits.
    QString healthText(int state) const;
    // A text shared by the detector views, in the context of the view.
    QString viewTr(const char *text) const;

    QStringList detectorList;
    QString currentDetector;
    bool noDetectors = false;
    int healthSeriesId = -1;
    QDateTime lastStateTime;

    ChartWidget *chart = nullptr;
    QFrame *frame = nullptr;
    QComboBox *detectors = nullptr;
};

#endif // DETECTORWIDGET_H
