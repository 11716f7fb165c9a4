#ifndef LOGFILTERBAR_H
#define LOGFILTERBAR_H

#include "views/LogFilter.h"
#include "views/LogRecords.h"
#include "views/ToolRow.h"

#include <QTime>
#include <QTimer>

class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimeEdit;

// The event log's row of finding controls: the event types to show, a
// search text, a time to jump to, the count of rows shown and a button that
// clears the filter. Ctrl+F anywhere in `view` puts the focus in the search
// field; Escape there clears it.
class LogFilterBar : public ToolRow
{
    Q_OBJECT
public:
    explicit LogFilterBar(QWidget *view);

    LogFilter filter() const;
    // Chooses the types and the search text at once, as a user would.
    void setFilter(const QStringList &types, const QString &search);
    // The types of the rows loaded so far, with their counts. Chosen types
    // the load has none of stay listed, with no rows.
    void setEventTypes(const QVector<LogRecords::EventType> &types);
    void setCounts(int shown, int total);

public slots:
    void clear();

signals:
    // The filter changed; typing is let settle for a moment first.
    void filterChanged();
    void jumpRequested(const QTime &time);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void chooseTypes(const QStringList &types);
    void rebuildTypeMenu();
    void updateTypeButton();

    QPushButton *typeFilter;
    QMenu *typeMenu;
    QLineEdit *searchEdit;
    QTimeEdit *jumpTime;
    QPushButton *clearFilter;
    QLabel *shownCount;
    QVector<LogRecords::EventType> types;
    QStringList chosen;
    // The menu was open when the types last changed.
    bool menuStale = false;
    QTimer typingPause;
};

#endif // LOGFILTERBAR_H
