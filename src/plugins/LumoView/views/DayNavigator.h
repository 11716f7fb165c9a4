#ifndef DAYNAVIGATOR_H
#define DAYNAVIGATOR_H

#include <QDateTime>
#include <QList>
#include <QObject>

class QAbstractButton;
class QBoxLayout;
class QDateTimeEdit;
class QToolButton;
class QWidget;

// Previous and next day for a dated view: two arrow buttons for the view's
// tool row and Alt+Left / Alt+Right anywhere in the view. The date fields
// move together and the view is refreshed once, for the new date.
class DayNavigator : public QObject
{
    Q_OBJECT
public:
    // The buttons are children of the first date field's parent.
    DayNavigator(QWidget *view, const QList<QDateTimeEdit *> &dates, QAbstractButton *refresh);

    // Puts the buttons into the tool row: previous before the first date
    // field, next after the last.
    void placeIn(QBoxLayout *row);

    QToolButton *previousButton() const { return m_previous; }
    QToolButton *nextButton() const { return m_next; }

    // 1 by default; 7 moves by weeks.
    void setStepDays(int days);
    int stepDays() const { return m_step; }

    // The same wall-clock time `days` later. Where daylight saving skips
    // that time on the new day, the time after the gap.
    static QDateTime shifted(const QDateTime &from, int days);

public slots:
    void previous();
    void next();

private:
    void move(int days);
    void updateTexts();

    QList<QDateTimeEdit *> m_dates;
    QAbstractButton *m_refresh;
    QToolButton *m_previous;
    QToolButton *m_next;
    int m_step = 1;
};

#endif // DAYNAVIGATOR_H
