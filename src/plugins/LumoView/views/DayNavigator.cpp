#include "DayNavigator.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QDateTimeEdit>
#include <QShortcut>
#include <QToolButton>

namespace {

const QKeySequence previousKey(Qt::ALT | Qt::Key_Left);
const QKeySequence nextKey(Qt::ALT | Qt::Key_Right);

} // namespace

DayNavigator::DayNavigator(QWidget *view, const QList<QDateTimeEdit *> &dates, QAbstractButton *refresh)
    : QObject(view)
    , m_dates(dates)
    , m_refresh(refresh)
{
    QWidget *row = dates.isEmpty() ? view : dates.first()->parentWidget();
    m_previous = new QToolButton(row);
    m_previous->setObjectName(QStringLiteral("previousDay"));
    m_previous->setArrowType(Qt::LeftArrow);
    m_previous->setAutoRaise(true);
    m_next = new QToolButton(row);
    m_next->setObjectName(QStringLiteral("nextDay"));
    m_next->setArrowType(Qt::RightArrow);
    m_next->setAutoRaise(true);
    // Narrow, so that the tool rows keep the widths the views are given.
    for (QToolButton *button : {m_previous, m_next})
        button->setFixedWidth(16);
    connect(m_previous, &QToolButton::clicked, this, &DayNavigator::previous);
    connect(m_next, &QToolButton::clicked, this, &DayNavigator::next);

    // Scoped to the view, so that views docked side by side each keep
    // their own keys.
    auto *back = new QShortcut(previousKey, view, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(back, &QShortcut::activated, this, &DayNavigator::previous);
    auto *forward = new QShortcut(nextKey, view, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(forward, &QShortcut::activated, this, &DayNavigator::next);
    updateTexts();
}

void DayNavigator::placeIn(QBoxLayout *row)
{
    if (m_dates.isEmpty())
        return;
    const int first = row->indexOf(m_dates.first());
    if (first >= 0)
        row->insertWidget(first, m_previous);
    const int last = row->indexOf(m_dates.last());
    if (last >= 0)
        row->insertWidget(last + 1, m_next);
}

void DayNavigator::setStepDays(int days)
{
    m_step = qMax(1, days);
    updateTexts();
}

QDateTime DayNavigator::shifted(const QDateTime &from, int days)
{
    const QDate date = from.date().addDays(days);
    QDateTime to(date, from.time(), from.timeSpec());
    if (to.isValid())
        return to;
    // In a daylight-saving gap: the first valid minute after it.
    for (int minutes = 1; minutes <= 180; ++minutes) {
        const QDateTime later(date, from.time().addSecs(60 * minutes), from.timeSpec());
        if (later.isValid() && later.date() == date)
            return later;
    }
    return QDateTime(date, QTime(0, 0), from.timeSpec());
}

void DayNavigator::previous()
{
    move(-m_step);
}

void DayNavigator::next()
{
    move(m_step);
}

void DayNavigator::move(int days)
{
    // Not while the view reads: the fields and Refresh are disabled then.
    if (m_dates.isEmpty() || (m_refresh && !m_refresh->isEnabled()))
        return;
    for (QDateTimeEdit *edit : qAsConst(m_dates)) {
        if (!edit->isEnabled())
            return;
    }
    for (QDateTimeEdit *edit : qAsConst(m_dates)) {
        const bool blocked = edit->blockSignals(true);
        edit->setDateTime(shifted(edit->dateTime(), days));
        edit->blockSignals(blocked);
    }
    if (m_refresh)
        m_refresh->click();
}

void DayNavigator::updateTexts()
{
    const bool weeks = m_step == 7;
    m_previous->setToolTip((weeks ? tr("Previous week (%1)") : tr("Previous day (%1)"))
                               .arg(previousKey.toString(QKeySequence::NativeText)));
    m_next->setToolTip((weeks ? tr("Next week (%1)") : tr("Next day (%1)"))
                           .arg(nextKey.toString(QKeySequence::NativeText)));
}
