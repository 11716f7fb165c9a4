#ifndef DTSTATVIEW_H
#define DTSTATVIEW_H

#include "views/ChartForm.h"
#include "views/DetectorWidget.h"

class QDateEdit;
class QSpinBox;

// One day of a detector against the same weekday of the weeks before it:
// candles, the band of the normal range and the median.
class DtStatView : public DetectorWidget
{
    Q_OBJECT
public:
    DtStatView(QWidget *parent, uint object_id, QStringList detectors, QSqlDatabase *db,
               QMutex *dbMutex);

private slots:
    void on_updateData_clicked(bool checked = false);
    void on_db_lumoDtStatData(QTime time, double median, double min, double max, double Q1, double Q3);
    void on_db_lumoDtCurrentData(QTime time, double value);
    void on_db_lumoDt15StateData(QDateTime time, int value);

private:
    void setupForm();
    template<typename Series>
    Series *seriesOrNew(int id, const QString &name);

    ChartForm form;
    QDateEdit *dateEdit;
    QComboBox *parameter;
    QSpinBox *deepness;
    double lastSelectedKey = 0;
};

#endif // DTSTATVIEW_H
