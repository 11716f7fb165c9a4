#ifndef DATABASEURL_H
#define DATABASEURL_H

#include <QCoreApplication>
#include <QString>
#include <QUrl>

// The module's database URL, //user:password@host:port/DRIVER/database: a
// URL whose path names the Qt SQL driver and the database (empty segments
// are skipped), and whose query items, if any, are the driver's TLS options.
class DatabaseUrl
{
    Q_DECLARE_TR_FUNCTIONS(DatabaseUrl)

public:
    explicit DatabaseUrl(const QString &text);

    bool isValid() const { return parts.size() == 2 && optionsError.isEmpty(); }
    const QUrl &url() const { return parsed; }
    QString driverName() const { return parts.value(0); }
    QString databaseName() const { return parts.value(1); }
    // The driver's connect options for the URL's query items.
    QString connectOptions() const { return options; }

    // What is wrong with an invalid URL, without any part of it: a user
    // name or password holding an unencoded "/" ends up in the path.
    QString errorText() const;

private:
    QUrl parsed;
    QStringList parts;
    QString options;
    QString optionsError;
};

#endif // DATABASEURL_H
