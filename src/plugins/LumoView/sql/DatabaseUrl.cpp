#include "DatabaseUrl.h"

#include "sql/ConnectOptions.h"

DatabaseUrl::DatabaseUrl(const QString &text)
    : parsed(text, QUrl::TolerantMode)
    , parts(parsed.path(QUrl::FullyDecoded).split(QLatin1Char('/'), Qt::SkipEmptyParts))
{
    if (parts.size() == 2)
        options = ConnectOptions::fromUrl(driverName(), parsed, &optionsError);
}

QString DatabaseUrl::errorText() const
{
    if (isValid())
        return QString();
    if (parts.size() == 2)
        return optionsError;
    // An "@" after the authority: the user information was cut short by a
    // character that ends it.
    const QString rest = parsed.path(QUrl::FullyEncoded) + parsed.query(QUrl::FullyEncoded)
                         + parsed.fragment(QUrl::FullyEncoded);
    if (rest.contains(QLatin1Char('@')))
        return tr("Invalid url format: a \"/\", \"?\" or \"#\" in the user name or password must be "
                  "written as %2F, %3F or %23");
    return tr("Invalid url format: the path must name the database driver and the database");
}
