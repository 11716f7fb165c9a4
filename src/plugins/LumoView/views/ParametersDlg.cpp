#include "ParametersDlg.h"

#include <QComboBox>
#include <QDebug>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QSqlDatabase>
#include <QUrl>

namespace {
const int defaultPort = 3306;
}

ParametersDlg::ParametersDlg(QWidget *parent, const QString &url)
    : QDialog(parent)
    , m_url(url)
{
    setupForm();
    fillFrom(url);
}

ParametersDlg::~ParametersDlg() = default;

void ParametersDlg::setupForm()
{
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("ParametersDlg"));
    resize(473, 136);
    setWindowTitle(tr("Database parameters"));
    auto *grid = new QGridLayout(this);
    grid->setObjectName(QStringLiteral("gridLayout"));

    // Each cell: a right-aligned label and its field in a row of their own.
    auto cell = [this, grid](const char *layoutName, const char *labelName, const QString &text, QWidget *field,
                             int row, int column, int columnSpan) {
        auto *line = new QHBoxLayout;
        line->setObjectName(QLatin1String(layoutName));
        auto *label = new QLabel(text, this);
        label->setObjectName(QLatin1String(labelName));
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setBuddy(field);
        line->addWidget(label);
        line->addWidget(field);
        grid->addLayout(line, row, column, 1, columnSpan);
    };
    host = new QLineEdit(this);
    host->setObjectName(QStringLiteral("host"));
    cell("horizontalLayout_2", "label", tr("Host:"), host, 0, 0, 3);
    port = new QSpinBox(this);
    port->setObjectName(QStringLiteral("port"));
    port->setRange(0, 65535);
    port->setValue(defaultPort);
    cell("horizontalLayout_3", "label_2", tr("Port:"), port, 0, 3, 1);
    name = new QLineEdit(this);
    name->setObjectName(QStringLiteral("name"));
    cell("horizontalLayout", "label_4", tr("Database name:"), name, 1, 0, 3);
    driver = new QComboBox(this);
    driver->setObjectName(QStringLiteral("driver"));
    cell("horizontalLayout_4", "label_3", tr("Driver:"), driver, 1, 3, 1);
    user = new QLineEdit(this);
    user->setObjectName(QStringLiteral("user"));
    cell("horizontalLayout_5", "label_5", tr("User:"), user, 2, 0, 2);
    password = new QLineEdit(this);
    password->setObjectName(QStringLiteral("password"));
    password->setEchoMode(QLineEdit::Password);
    cell("horizontalLayout_6", "label_6", tr("Password:"), password, 2, 2, 2);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Horizontal, this);
    buttons->setObjectName(QStringLiteral("buttonBox"));
    grid->addWidget(buttons, 3, 1, 1, 3);
    connect(buttons, &QDialogButtonBox::accepted, this, &ParametersDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ParametersDlg::reject);
    QMetaObject::connectSlotsByName(this);
}

void ParametersDlg::fillFrom(const QString &text)
{
    const QUrl url(text, QUrl::TolerantMode);
    // The connection's options (its encryption) have no fields: they are
    // kept as given.
    query = url.query(QUrl::FullyEncoded);
    host->setText(url.host(QUrl::FullyDecoded));
    user->setText(url.userName(QUrl::FullyDecoded));
    password->setText(url.password(QUrl::FullyDecoded));
    driver->addItems(QSqlDatabase::drivers());

    const QStringList parts = url.path(QUrl::FullyDecoded).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.size() != 2) {
        qDebug("invalid url");
        return;
    }
    name->setText(parts.at(1));
    driver->setCurrentIndex(driver->findText(parts.at(0), Qt::MatchExactly | Qt::MatchCaseSensitive));
    if (url.port() >= 0)
        port->setValue(url.port());
}

void ParametersDlg::accept()
{
    QUrl url;
    url.setHost(host->text(), QUrl::DecodedMode);
    url.setPort(port->value());
    url.setPath(QStringLiteral("/%1/%2").arg(driver->currentText(), name->text()), QUrl::DecodedMode);
    url.setUserName(user->text(), QUrl::DecodedMode);
    url.setPassword(password->text(), QUrl::DecodedMode);
    if (!query.isEmpty())
        url.setQuery(query, QUrl::StrictMode);
    m_url = url.toString();
    QDialog::accept();
}
