// The database parameters dialog: fields from a URL and the URL from fields.
#include "views/ParametersDlg.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QSqlDatabase>
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
    void fromUrl_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("accepted");
        QTest::newRow("every part") << "//u:p@h:5432/QPSQL/traffic" << QStringList{"h", "5432", "traffic", "QPSQL", "u", "p"}
                                    << "//u:p@h:5432/QPSQL/traffic";
        QTest::newRow("no port: 3306") << "//u:p@h/QMYSQL/traffic" << QStringList{"h", "3306", "traffic", "QMYSQL", "u", "p"}
                                       << "//u:p@h:3306/QMYSQL/traffic";
        // No selection, so an empty segment.
        QTest::newRow("a driver this machine lacks") << "//u:p@h:1/QNOSUCH/traffic"
                                                     << QStringList{"h", "1", "traffic", "", "u", "p"} << "//u:p@h:1//traffic";
    }

    // Accepted unchanged, the URL comes back as the fields show it;
    // cancelled, an edit is forgotten.
    void fromUrl()
    {
        QFETCH(QString, url);
        QFETCH(QStringList, fields);
        QFETCH(QString, accepted);
        ParametersDlg dialog(nullptr, url);
        QCOMPARE(ParametersDlgTest::fields(dialog), fields);
        dialog.accept();
        QCOMPARE(dialog.url(), accepted);
        ParametersDlg cancelled(nullptr, url);
        cancelled.findChild<QLineEdit *>("host")->setText(QStringLiteral("elsewhere"));
        cancelled.reject();
        QCOMPARE(cancelled.url(), url);
    }

    void awkwardCharactersRoundTrip_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("name");
        QTest::newRow("at and colon") << "op@centre" << "p@ss:word" << "traffic";
        QTest::newRow("slash and percent") << "a/b%20c" << "100%/x" << "db";
        QTest::newRow("Cyrillic") << QStringLiteral("оператор") << QStringLiteral("пароль@1") << QStringLiteral("дороги");
        QTest::newRow("spaces and hash") << "the user" << "#?&=+" << "traffic db";
    }

    // What is typed comes back from the URL the dialog makes, the password
    // hidden as it is typed and escaped in the URL.
    void awkwardCharactersRoundTrip()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, name);
        ParametersDlg first(nullptr, QStringLiteral("//x:y@h:5432/QPSQL/traffic"));
        QCOMPARE(first.findChild<QLineEdit *>("password")->echoMode(), QLineEdit::Password);
        first.findChild<QLineEdit *>("user")->setText(user);
        first.findChild<QLineEdit *>("password")->setText(password);
        first.findChild<QLineEdit *>("name")->setText(name);
        first.accept();
        QVERIFY(!first.url().contains(QLatin1Char('@') + password));
        QCOMPARE(fields(ParametersDlg(nullptr, first.url())), (QStringList{"h", "5432", name, "QPSQL", user, password}));
    }
};

QTEST_MAIN(ParametersDlgTest)
#include "tst_parametersdlg.moc"
