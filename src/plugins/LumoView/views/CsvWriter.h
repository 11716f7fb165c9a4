#ifndef CSVWRITER_H
#define CSVWRITER_H

#include <QString>
#include <QStringList>
#include <QVector>

// The module's semicolon-separated files: a field holding the separator, a
// quote or a line break is quoted with inner quotes doubled, so that every
// line reads back as its row; all other fields are written as they are.
class CsvWriter
{
public:
    static QString field(const QString &text);
    static QString line(const QStringList &fields);
    // Writes the rows, one line each; false with the reason in *error when
    // the file cannot be written completely.
    static bool write(const QString &fileName, const QVector<QStringList> &rows, QString *error);
};

#endif // CSVWRITER_H
