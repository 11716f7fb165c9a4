#ifndef TOOLROW_H
#define TOOLROW_H

#include <QFrame>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QHBoxLayout;
class QLabel;
class QPushButton;

// The raised row of controls above a view's chart: each add* call creates a
// control with the object name the views connect by and puts it next in
// the row.
class ToolRow : public QFrame
{
    Q_OBJECT
public:
    // Spacing 2 and tight margins, so that a row fits the docks the facade
    // gives its views.
    explicit ToolRow(QWidget *parent, int margin = 1);

    QHBoxLayout *boxLayout() const { return row; }

    QLabel *addLabel(const char *name, const QString &text);
    QPushButton *addButton(const char *name, const QString &text);
    // A checkable button of the row's mode group (Hour / Day / Week): one of
    // them is always checked, and a click on the checked one keeps it so.
    QPushButton *addModeButton(const char *name, const QString &text, bool checked);
    QCheckBox *addCheckBox(const char *name, const QString &text, bool checked = false);
    QComboBox *addComboBox(const char *name, const QStringList &items = {});
    QDateEdit *addDateEdit(const char *name);
    // Any other control, named and placed like the rest.
    template<typename Widget>
    Widget *add(const char *name, Widget *widget)
    {
        place(name, widget);
        return widget;
    }
    // The rest of the row's width, so the controls keep their sizes.
    void addStretch(int width = 40);

private:
    void place(const char *name, QWidget *widget);

    QHBoxLayout *row;
    // Auto-exclusive buttons would look for their partners among all the
    // row's buttons, the page radio buttons too, and let the checked mode
    // be unchecked while one of those is checked.
    QButtonGroup *modes = nullptr;
};

#endif // TOOLROW_H
