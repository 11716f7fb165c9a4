#include "Progress.h"

#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpacerItem>

Progress::Progress(QWidget *parent)
    : QFrame(parent)
{
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("Progress"));
    resize(182, 110);
    setAutoFillBackground(true);
    setFrameStyle(QFrame::Box);
    setWindowTitle(QString());

    auto *grid = new QGridLayout(this);
    grid->setObjectName(QStringLiteral("gridLayout"));
    m_label = new QLabel(tr("Data updating"), this);
    m_label->setObjectName(QStringLiteral("label"));
    m_label->setAlignment(Qt::AlignCenter);
    grid->addWidget(m_label, 0, 0, 1, 3);
    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_progressBar->setMaximum(0);
    m_progressBar->setValue(-1);
    m_progressBar->setTextVisible(false);
    grid->addWidget(m_progressBar, 1, 0, 1, 3);
    m_rows = new QLabel(this);
    m_rows->setObjectName(QStringLiteral("rows"));
    m_rows->setAlignment(Qt::AlignCenter);
    grid->addWidget(m_rows, 2, 0, 1, 3);
    grid->addItem(new QSpacerItem(36, 17, QSizePolicy::Expanding, QSizePolicy::Minimum), 3, 0, 1, 1);
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    grid->addWidget(m_cancel, 3, 1, 1, 1);
    grid->addItem(new QSpacerItem(35, 17, QSizePolicy::Expanding, QSizePolicy::Minimum), 3, 2, 1, 1);

    QMetaObject::connectSlotsByName(this);
    hide();
}

void Progress::setVisible(bool visible)
{
    if (visible) {
        m_label->setText(tr("Data updating"));
        m_rows->clear();
        m_cancel->setEnabled(true);
    }
    QFrame::setVisible(visible);
    if (visible)
        raise();
}

void Progress::on_cancel_clicked()
{
    if (isHidden())
        return;
    m_label->setText(tr("interruption ..."));
    m_cancel->setEnabled(false);
}

QString Progress::rowsText() const
{
    return m_rows->text();
}

void Progress::setRowCount(int rows)
{
    if (rows > 0)
        m_rows->setText(tr("Rows received: %L1").arg(rows));
}
