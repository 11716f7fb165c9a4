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
    struct Fields
    {
        QString host, name, driver, user, password;
        int port;
    };
    static Fields fields(const ParametersDlg &dialog)
    {
        return {dialog.findChild<QLineEdit *>("host")->text(), dialog.findChild<QLineEdit *>("name")->text(),
                dialog.findChild<QComboBox *>("driver")->currentText(), dialog.findChild<QLineEdit *>("user")->text(),
                dialog.findChild<QLineEdit *>("password")->text(), dialog.findChild<QSpinBox *>("port")->value()};
    }

private slots:
    void initTestCase()
    {
        if (!QSqlDatabase::drivers().contains(QStringLiteral("QPSQL")))
            QSKIP("the PostgreSQL driver is not installed");
    }

    void fieldsAndUnchangedUrl()
    {
        ParametersDlg dialog(nullptr, QStringLiteral("//u:p@h:5432/QPSQL/traffic"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Database parameters"));
        QCOMPARE(dialog.findChild<QLineEdit *>("password")->echoMode(), QLineEdit::Password);
        const Fields f = fields(dialog);
        QCOMPARE(f.host, QStringLiteral("h"));
        QCOMPARE(f.port, 5432);
        QCOMPARE(f.name, QStringLiteral("traffic"));
        QCOMPARE(f.driver, QStringLiteral("QPSQL"));
        QCOMPARE(f.user, QStringLiteral("u"));
        QCOMPARE(f.password, QStringLiteral("p"));
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.url(), QStringLiteral("//u:p@h:5432/QPSQL/traffic"));
    }

    void missingPortAndBadUrls()
    {
        ParametersDlg noPort(nullptr, QStringLiteral("//u:p@h/QMYSQL/traffic"));
        QCOMPARE(fields(noPort).port, 3306);
        noPort.accept();
        QCOMPARE(noPort.url(), QStringLiteral("//u:p@h:3306/QMYSQL/traffic"));

        QTest::ignoreMessage(QtDebugMsg, "invalid url");
        ParametersDlg empty(nullptr, QString());
        const Fields f = fields(empty);
        QVERIFY(f.host.isEmpty() && f.name.isEmpty() && f.user.isEmpty() && f.password.isEmpty());
        QCOMPARE(f.port, 3306);
        QCOMPARE(f.driver, QSqlDatabase::drivers().first());

        // Host and user still come through; the rest stays at its defaults.
        QTest::ignoreMessage(QtDebugMsg, "invalid url");
        ParametersDlg onePart(nullptr, QStringLiteral("//u:p@h:5432/traffic"));
        QCOMPARE(fields(onePart).host, QStringLiteral("h"));
        QCOMPARE(fields(onePart).port, 3306);

        // A driver this machine lacks: no selection, so an empty segment.
        ParametersDlg unknown(nullptr, QStringLiteral("//u:p@h:1/QNOSUCH/traffic"));
        QCOMPARE(unknown.findChild<QComboBox *>("driver")->currentIndex(), -1);
        unknown.accept();
        QCOMPARE(unknown.url(), QStringLiteral("//u:p@h:1//traffic"));
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
    void awkwardCharactersRoundTrip()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, name);
        ParametersDlg first(nullptr, QStringLiteral("//x:y@h:5432/QPSQL/traffic"));
        first.findChild<QLineEdit *>("user")->setText(user);
        first.findChild<QLineEdit *>("password")->setText(password);
        first.findChild<QLineEdit *>("name")->setText(name);
        first.accept();
        QVERIFY(!first.url().contains(QLatin1Char('@') + password));

        ParametersDlg again(nullptr, first.url());
        const Fields f = fields(again);
        QCOMPARE(f.user, user);
        QCOMPARE(f.password, password);
        QCOMPARE(f.name, name);
        QCOMPARE(f.host, QStringLiteral("h"));
        QCOMPARE(f.port, 5432);
        QCOMPARE(f.driver, QStringLiteral("QPSQL"));
    }

    void cancelKeepsTheUrl()
    {
        ParametersDlg dialog(nullptr, QStringLiteral("//u:p@h:5432/QPSQL/traffic"));
        dialog.findChild<QLineEdit *>("host")->setText(QStringLiteral("elsewhere"));
        dialog.reject();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(dialog.url(), QStringLiteral("//u:p@h:5432/QPSQL/traffic"));
    }
};

QTEST_MAIN(ParametersDlgTest)
#include "tst_parametersdlg.moc"
