#include "LogFilterBar.h"

#include <QAction>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QShortcut>
#include <QTimeEdit>

#include <algorithm>

namespace {

// Long enough to take a word typed at speed as one change, short enough
// that the table answers well within a tenth of a second of the last key.
const int typingPauseMsecs = 30;
// The type button names the chosen types up to this width.
const int typeButtonTextWidth = 120;

// A type in the menu: its name, a '&' in it not taken for a shortcut, and
// its count of rows.
QString typeEntry(const LogRecords::EventType &type)
{
    return QStringLiteral("%1 (%L2)").arg(QString(type.name).replace(QLatin1Char('&'), QLatin1String("&&"))).arg(type.count);
}

} // namespace

LogFilterBar::LogFilterBar(QWidget *view)
    : ToolRow(view, 2)
{
    // Named apart from the form's own row and frame, which hosts find by name.
    setObjectName(QStringLiteral("filterRow"));
    boxLayout()->setObjectName(QStringLiteral("filterLayout"));

    typeFilter = addButton("typeFilter", tr("All types"));
    typeFilter->setToolTip(tr("Event types shown"));
    typeMenu = new QMenu(typeFilter);
    typeMenu->setObjectName(QStringLiteral("typeMenu"));
    typeMenu->installEventFilter(this);
    typeFilter->setMenu(typeMenu);
    connect(typeMenu, &QMenu::aboutToShow, this, [this] {
        if (menuStale)
            rebuildTypeMenu();
    });

    searchEdit = add("searchEdit", new QLineEdit);
    searchEdit->setPlaceholderText(tr("Search"));
    searchEdit->setClearButtonEnabled(true);
    searchEdit->setMinimumWidth(100);
    const QKeySequence find(QKeySequence::Find);
    searchEdit->setToolTip(tr("Rows whose type, source or description contain this text (%1)")
                               .arg(find.toString(QKeySequence::NativeText)));

    clearFilter = addButton("clearFilter", tr("Clear"));
    clearFilter->setToolTip(tr("Show every row again"));
    connect(clearFilter, &QPushButton::clicked, this, &LogFilterBar::clear);

    // The jump is apart from the filter it does not change.
    boxLayout()->addSpacing(8);
    addLabel("jumpLabel", tr("Go to:"));
    jumpTime = add("jumpTime", new QTimeEdit);
    jumpTime->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    jumpTime->setToolTip(tr("The first row from this time on, in the order shown"));
    jumpTime->installEventFilter(this);
    connect(jumpTime, &QTimeEdit::timeChanged, this, &LogFilterBar::jumpRequested);

    addStretch();
    shownCount = addLabel("shownCount", QString());
    boxLayout()->addSpacing(4);

    typingPause.setSingleShot(true);
    typingPause.setInterval(typingPauseMsecs);
    connect(&typingPause, &QTimer::timeout, this, &LogFilterBar::filterChanged);
    connect(searchEdit, &QLineEdit::textChanged, this, [this] {
        typingPause.start();
        clearFilter->setEnabled(!filter().isEmpty());
    });

    // Scoped to the view, so that views docked side by side each keep their
    // own keys.
    auto *findKey = new QShortcut(find, view, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(findKey, &QShortcut::activated, this, [this] {
        searchEdit->setFocus(Qt::ShortcutFocusReason);
        searchEdit->selectAll();
    });
    auto *escape = new QShortcut(Qt::Key_Escape, searchEdit, nullptr, nullptr, Qt::WidgetShortcut);
    connect(escape, &QShortcut::activated, searchEdit, &QLineEdit::clear);

    rebuildTypeMenu();
    updateTypeButton();
    setCounts(0, 0);
}

LogFilter LogFilterBar::filter() const
{
    return LogFilter(chosen, searchEdit->text());
}

void LogFilterBar::setFilter(const QStringList &types, const QString &search)
{
    typingPause.stop();
    chosen = LogFilter(types, QString()).types();
    const bool blocked = searchEdit->blockSignals(true);
    searchEdit->setText(search);
    searchEdit->blockSignals(blocked);
    rebuildTypeMenu();
    updateTypeButton();
    emit filterChanged();
}

void LogFilterBar::clear()
{
    if (filter().isEmpty())
        return;
    setFilter({}, QString());
}

void LogFilterBar::setEventTypes(const QVector<LogRecords::EventType> &eventTypes)
{
    types = eventTypes;
    // An open menu is left as it is, bar its counts, not to move the entries
    // under the pointer; it is made anew the next time it opens.
    if (!typeMenu->isVisible()) {
        rebuildTypeMenu();
        return;
    }
    for (QAction *action : typeMenu->actions()) {
        const QString name = action->data().toString();
        const auto type = std::find_if(types.cbegin(), types.cend(),
                                       [&name](const LogRecords::EventType &t) { return t.name == name; });
        if (!name.isEmpty() && type != types.cend())
            action->setText(typeEntry(*type));
    }
    menuStale = true;
}

void LogFilterBar::setCounts(int shown, int total)
{
    shownCount->setText(tr("%L1 of %L2 records").arg(shown).arg(total));
}

void LogFilterBar::rebuildTypeMenu()
{
    menuStale = false;
    typeMenu->clear();
    QAction *all = typeMenu->addAction(tr("All types"));
    all->setCheckable(true);
    all->setChecked(chosen.isEmpty());
    connect(all, &QAction::triggered, this, [this] { chooseTypes({}); });
    typeMenu->addSeparator();

    // The types of the load, and the chosen ones it has none of.
    QVector<LogRecords::EventType> listed = types;
    for (const QString &name : qAsConst(chosen)) {
        if (std::none_of(listed.cbegin(), listed.cend(),
                         [&name](const LogRecords::EventType &t) { return t.name == name; }))
            listed.append({name, 0});
    }
    std::sort(listed.begin(), listed.end(), [](const LogRecords::EventType &a, const LogRecords::EventType &b) {
        return a.name.localeAwareCompare(b.name) < 0;
    });
    for (const LogRecords::EventType &type : qAsConst(listed)) {
        QAction *action = typeMenu->addAction(typeEntry(type));
        action->setData(type.name);
        action->setCheckable(true);
        action->setChecked(chosen.contains(type.name));
        connect(action, &QAction::triggered, this, [this, action](bool checked) {
            QStringList types = chosen;
            types.removeAll(action->data().toString());
            if (checked)
                types.append(action->data().toString());
            chooseTypes(types);
        });
    }
}

void LogFilterBar::chooseTypes(const QStringList &types)
{
    chosen = LogFilter(types, QString()).types();
    for (QAction *action : typeMenu->actions()) {
        if (action->isCheckable())
            action->setChecked(action->data().isNull() ? chosen.isEmpty() : chosen.contains(action->data().toString()));
    }
    updateTypeButton();
    emit filterChanged();
}

void LogFilterBar::updateTypeButton()
{
    const QString names = chosen.join(QStringLiteral(", "));
    const QString text = chosen.isEmpty() ? tr("All types")
                                          : typeFilter->fontMetrics().elidedText(names, Qt::ElideRight,
                                                                                 typeButtonTextWidth);
    typeFilter->setText(QString(text).replace(QLatin1Char('&'), QLatin1String("&&")));
    typeFilter->setToolTip(chosen.isEmpty() ? tr("Event types shown") : tr("Event types shown: %1").arg(names));
    clearFilter->setEnabled(!filter().isEmpty());
}

bool LogFilterBar::eventFilter(QObject *watched, QEvent *event)
{
    // A chosen type leaves the menu open, so that several are chosen at once.
    if (watched == typeMenu) {
        QAction *action = nullptr;
        if (event->type() == QEvent::MouseButtonRelease)
            action = typeMenu->actionAt(static_cast<QMouseEvent *>(event)->pos());
        else if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space)
                action = typeMenu->activeAction();
        }
        if (action && action->isCheckable() && action->isEnabled()) {
            action->trigger();
            return true;
        }
    }
    // Return jumps again to the time shown, which changing it already did.
    if (watched == jumpTime && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            emit jumpRequested(jumpTime->time());
    }
    return ToolRow::eventFilter(watched, event);
}
