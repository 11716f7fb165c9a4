#ifndef PROGRESS_H
#define PROGRESS_H

#include <QFrame>

class QLabel;
class QProgressBar;
class QPushButton;

// The busy overlay laid over a view while its worker reads, with Cancel.
class Progress : public QFrame
{
    Q_OBJECT
public:
    explicit Progress(QWidget *parent = nullptr);

    void setVisible(bool visible) override;

    QPushButton *cancelButton() const { return m_cancel; }
    // The text under the busy bar: the rows received so far, if any.
    QString rowsText() const;

public slots:
    void setRowCount(int rows);

private slots:
    void on_cancel_clicked();

private:
    QLabel *m_label;
    QLabel *m_rows;
    QProgressBar *m_progressBar;
    QPushButton *m_cancel;
};

#endif // PROGRESS_H
