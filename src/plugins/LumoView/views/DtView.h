#ifndef DTVIEW_H
#define DTVIEW_H

#include "views/ChartForm.h"
#include "views/DetectorWidget.h"
#include "views/LiveFollow.h"

class QCheckBox;
class QDateEdit;
class QPushButton;

// A detector's or a detector selection's measurements against the profile
// of a day type, with yesterday's values and the health strip; a day or
// week that includes today follows the detector as its values come in.
class DtView : public DetectorWidget
{
    Q_OBJECT
public:
    DtView(QWidget *parent, uint object_id, QStringList detectors, QSqlDatabase *db, QMutex *dbMutex);

private slots:
    void on_updateData_clicked(bool checked = false);
    void on_db_lumoDt15Data(QDateTime time, double value, int query_index);
    void on_db_lumoDt15StateData(QDateTime time, int value);
    void on_dayData_clicked(bool checked);
    void on_weekData_clicked(bool checked);

private:
    void setupForm();
    void step(const LiveFollow::Cursors &cursors);
    void replaceFrom(const QDateTime &from);
    void keepYesterdayLast();

    bool seriesVisible[4] = {true, true, true, true};
    // Key of the last point of each curve, to break the line where slots are missing.
    double lastKey[3] = {};
    // Seconds between the slots of each curve's source in the request in
    // flight: the profile always comes in quarter hours.
    double gapStep[3] = {900, 900, 900};
    // What the last load asked for, which its steps ask for again.
    struct Selected
    {
        QString detectors;
        int parameter = 0;
        bool raw = false;
        QDate end;
    } loaded;

    ChartForm form;
    QCheckBox *rawData;
    QPushButton *dayData;
    QPushButton *weekData;
    QDateEdit *dateEdit;
    QComboBox *parameter;
    QComboBox *grouping;
};

#endif // DTVIEW_H
