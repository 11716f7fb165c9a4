#ifndef PLAINFETCH_H
#define PLAINFETCH_H

#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariant>

#include <cstdio>

// The raw baseline of the database benchmarks: the same statements through
// a plain forward-only QSqlQuery, every column of every row read as a
// QVariant. Returns the nanoseconds taken and counts the rows.
inline qint64 plainFetchNsecs(QSqlDatabase &db, const QStringList &statements, int *rows)
{
    const bool postgres = db.driverName() == QLatin1String("QPSQL");
    QElapsedTimer timer;
    timer.start();
    *rows = 0;
    for (QString text : statements) {
        if (postgres)
            text.replace(QLatin1Char('`'), QLatin1Char('"'));
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (!query.exec(text)) {
            std::fprintf(stderr, "baseline: %s\n", qPrintable(query.lastError().text()));
            continue;
        }
        const int columns = query.record().count();
        while (query.next()) {
            for (int c = 0; c < columns; ++c)
                query.value(c);
            ++*rows;
        }
    }
    return timer.nsecsElapsed();
}

#endif // PLAINFETCH_H
