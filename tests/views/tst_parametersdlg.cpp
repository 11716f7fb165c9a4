// The database parameters dialog: fields from a URL and the URL from fields.
#include "views/ParametersDlg.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QtTest>

class ParametersDlgTest : public QObject
{
    Q_OBJECT

private:
    // Host, port, database, driver, user and password as the dialog shows them.
    static QStringList fields(const ParametersDlg &dialog)
    {
        QStringList texts{dialog.findChild<QLineEdit *>("host")->text(),
                          QString::number(dialog.findChild<QSpinBox *>("port")->value())};
        for (const char *name : {"name", "driver", "user", "password"}) {
            auto *edit = dialog.findChild<QLineEdit *>(name);
            texts << (edit ? edit->text() : dialog.findChild<QComboBox *>(name)->currentText());
        }
        return texts;
    }

private slots:
    void fieldsAndUrl_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("accepted");
        QTest::newRow("every part") << "//u:p@h:5432/QPSQL/db" << QStringList{"h", "5432", "db", "QPSQL", "u", "p"}
                                    << "//u:p@h:5432/QPSQL/db";
        QTest::newRow("no port: 3306") << "//u:p@h/QMYSQL/db" << QStringList{"h", "3306", "db", "QMYSQL", "u", "p"}
                                       << "//u:p@h:3306/QMYSQL/db";
        // No driver selected, so an empty segment.
        QTest::newRow("a driver this machine lacks")
            << "//u:p@h:1/QNOSUCH/traffic" << QStringList{"h", "1", "traffic", "", "u", "p"} << "//u:p@h:1//traffic";
        QTest::newRow("escaped characters")
            << "//op%40centre:p%40ss%3A%2F%25%23%3F%26%3D%2B@h:5432/QPSQL/traffic%20db"
            << QStringList{"h", "5432", "traffic db", "QPSQL", "op@centre", "p@ss:/%#?&=+"} << QString();
        // The connection's encryption has no field: it is kept as given.
        QTest::newRow("TLS options") << "//u:p@h:5432/QPSQL/db?sslmode=verify-full&sslrootcert=/etc/a%20b/ca.pem"
                                     << QStringList{"h", "5432", "db", "QPSQL", "u", "p"}
                                     << "//u:p@h:5432/QPSQL/db?sslmode=verify-full&sslrootcert=/etc/a b/ca.pem";
        QTest::newRow("Cyrillic") << QStringLiteral("//оператор:пароль@h:5432/QPSQL/дороги")
                                  << QStringList{"h", "5432", "дороги", "QPSQL", "оператор", "пароль"} << QString();
    }

    // The fields show the URL's parts, the password hidden; accepted, the
    // dialog gives the URL of its fields.
    void fieldsAndUrl()
    {
        QFETCH(QString, url);
        QFETCH(QStringList, fields);
        QFETCH(QString, accepted);
        ParametersDlg dialog(nullptr, url);
        QCOMPARE(dialog.findChild<QLineEdit *>("password")->echoMode(), QLineEdit::Password);
        QCOMPARE(ParametersDlgTest::fields(dialog), fields);
        dialog.accept();
        if (accepted.isEmpty()) // escaped as the dialog chooses
            QCOMPARE(ParametersDlgTest::fields(ParametersDlg(nullptr, dialog.url())), fields);
        else
            QCOMPARE(dialog.url(), accepted);
    }
};

QTEST_MAIN(ParametersDlgTest)
#include "tst_parametersdlg.moc"
