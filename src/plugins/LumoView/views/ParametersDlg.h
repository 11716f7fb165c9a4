#ifndef PARAMETERSDLG_H
#define PARAMETERSDLG_H

#include <QDialog>

class QComboBox;
class QLineEdit;
class QSpinBox;

// Edits the module's database URL ("//user:password@host:port/DRIVER/name")
// field by field. It only converts between the URL and its fields; the
// caller applies the result.
class ParametersDlg : public QDialog
{
    Q_OBJECT
public:
    ParametersDlg(QWidget *parent, const QString &url);
    ~ParametersDlg() override;

    // The URL given, or the one composed from the fields once accepted.
    QString url() const { return m_url; }

public slots:
    void accept() override;

private:
    void setupForm();
    void fillFrom(const QString &url);

    QLineEdit *host = nullptr;
    QSpinBox *port = nullptr;
    QLineEdit *name = nullptr;
    QComboBox *driver = nullptr;
    QLineEdit *user = nullptr;
    QLineEdit *password = nullptr;
    QString m_url;
    QString query;
};

#endif // PARAMETERSDLG_H
