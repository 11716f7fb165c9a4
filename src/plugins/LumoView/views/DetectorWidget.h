#ifndef DETECTORWIDGET_H
#define DETECTORWIDGET_H

#include "views/LumoWidget.h"

#include <QStringList>

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

    // The health strip's text for a state: "no failure", "unknown" or the
    // failure numbers of its bits.
    static QString healthText(int state);

public slots:
    Q_INVOKABLE void updateDtList();

protected slots:
    void on_db_lumoDt(int dt_id);
    void on_db_complete();
    void on_detectors_currentIndexChanged(int index);

protected:
    // Called by the views once their form is built.
    void setForm(ChartWidget *chart, QFrame *frame, QComboBox *detectors);
    // One health sample: a bar from the previous sample to this one.
    void addHealthSample(GanttSeries *health, const QDateTime &time, int value);
    void resetHealth();
    void closeView();

    QStringList detectorList;
    QString currentDetector;
    bool noDetectors = false;
    int healthSeriesId = -1;
    int lastState = -1;
    QDateTime lastStateTime;

    ChartWidget *chart = nullptr;
    QFrame *frame = nullptr;
    QComboBox *detectors = nullptr;
};

#endif // DETECTORWIDGET_H
