#include "views/ToolRow.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

ToolRow::ToolRow(QWidget *parent, int margin)
    : QFrame(parent), row(new QHBoxLayout(this))
{
    setObjectName(QStringLiteral("frame"));
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Raised);
    row->setObjectName(QStringLiteral("horizontalLayout"));
    row->setSpacing(2);
    row->setContentsMargins(margin, margin, margin, margin);
}

void ToolRow::place(const char *name, QWidget *widget)
{
    widget->setParent(this);
    widget->setObjectName(QLatin1String(name));
    row->addWidget(widget);
}

QLabel *ToolRow::addLabel(const char *name, const QString &text)
{
    return add(name, new QLabel(text));
}

QPushButton *ToolRow::addButton(const char *name, const QString &text)
{
    return add(name, new QPushButton(text));
}

QPushButton *ToolRow::addModeButton(const char *name, const QString &text, bool checked)
{
    QPushButton *button = addButton(name, text);
    button->setCheckable(true);
    button->setChecked(checked);
    if (!modes)
        modes = new QButtonGroup(this);
    modes->addButton(button);
    return button;
}

QCheckBox *ToolRow::addCheckBox(const char *name, const QString &text, bool checked)
{
    QCheckBox *box = add(name, new QCheckBox(text));
    box->setChecked(checked);
    return box;
}

QComboBox *ToolRow::addComboBox(const char *name, const QStringList &items)
{
    QComboBox *box = add(name, new QComboBox);
    box->addItems(items);
    return box;
}

QDateEdit *ToolRow::addDateEdit(const char *name)
{
    QDateEdit *edit = add(name, new QDateEdit);
    edit->setCalendarPopup(true);
    return edit;
}

void ToolRow::addStretch(int width)
{
    row->addItem(new QSpacerItem(width, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
}
