#ifndef DATABASEURL_H
#define DATABASEURL_H

#include <QCoreApplication>
#include <QString>
#include <QUrl>

// The module's database URL, //user:password@host:port/DRIVER/database: a
// URL whose path names the Qt SQL driver and the database (empty segments
// are skipped).
class DatabaseUrl
{
    Q_DECLARE_TR_FUNCTIONS(DatabaseUrl)

public:
    explicit DatabaseUrl(const QString &text);

    bool isValid() const { return parts.size() == 2; }
    const QUrl &url() const { return parsed; }
    QString driverName() const { return parts.value(0); }
    QString databaseName() const { return parts.value(1); }

    // What is wrong with an invalid URL, without any part of it: a user
    // name or password holding an unencoded "/" ends up in the path.
    QString errorText() const;

private:
    QUrl parsed;
    QStringList parts;
};

#endif // DATABASEURL_H
