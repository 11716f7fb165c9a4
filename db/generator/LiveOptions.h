#ifndef DBGEN_LIVEOPTIONS_H
#define DBGEN_LIVEOPTIONS_H

#include "SqlText.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

// The command line of the live writer (lumoview-dbgen --live).
struct LiveOptions
{
    Dialect dialect = Dialect::Pg;
    int object = 1;
    int groups = 4;
    int detectors = 4;
    // Rows up to this time are in the database already (the day's load);
    // invalid: the writer's start.
    QDateTime since;
    double rate = 3.0;      // miscellaneous events a second
    int lateEvery = 120;    // mean seconds between late batches, 0 none
    int duration = 0;       // seconds, 0 until stopped
    qint64 firstIndex = 1;  // record number of the first event written
    QString record;         // one line per row written
    quint32 seed = 20240306u;

    // False with the reason on a wrong or missing argument.
    static bool parse(const QStringList &arguments, LiveOptions *options, QString *error);
};

#endif // DBGEN_LIVEOPTIONS_H
