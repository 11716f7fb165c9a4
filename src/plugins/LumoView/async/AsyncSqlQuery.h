#ifndef ASYNCSQLQUERY_H
#define ASYNCSQLQUERY_H

#include <QObject>
#include <QVariant>
#include <QVariantList>

class AsyncDatabase;
class AsyncDatabasePrivate;
class SqlLiteralWriter;
struct AsyncSqlQueryPrivate;

// A statement for the asynchronous service. The caller fills in a text with
// '?' placeholders, binds values in placeholder order and submits it with
// AsyncDatabase::execQuery; the outcome arrives as one of the signals, emitted
// from the service's worker thread.
class AsyncSqlQuery : public QObject
{
    Q_OBJECT

public:
    AsyncSqlQuery(AsyncDatabase *database, const QString &text, bool autoRemove = false);
    ~AsyncSqlQuery() override;

    bool isModifying() const;
    void setDumpFileName(const QString &name);
    QString dumpFileName() const;

    // Binds the next placeholder: a '?' outside the text's literals, quoted
    // names and comments. A bound value is never taken for a placeholder
    // itself. Once values are bound, their count must match the
    // placeholders', or the query fails without being sent.
    void addBindValue(const QVariant &value);
    void resetBindings();

    // The literal of a value in the form of the connection that ran this
    // query last (MySQL in its default mode before any run).
    QString formatValue(const QVariant &value) const;

    // The statement as it stands, with the bound values written as literals.
    QString text() const;

    // The statement with literals written by `writer`; false and the reason
    // when a bound value cannot be written for that connection or the
    // values do not match the placeholders.
    static bool render(const QString &text, const QVariantList &bindings,
                       const SqlLiteralWriter &writer, QString *statement, QString *errorText);

signals:
    void finished(QVariantList result);
    void lastInsertId(QVariant id);
    void error(QString msg);

private:
    friend class AsyncDatabase;
    friend class AsyncDatabasePrivate;
    explicit AsyncSqlQuery(AsyncSqlQueryPrivate *shared);
    AsyncSqlQuery *queueCopy() const;
    // True once the caller's object has been destroyed.
    bool isOwnerGone() const;

    AsyncSqlQueryPrivate *d;
};

#endif // ASYNCSQLQUERY_H
