#ifndef CSVROWS_H
#define CSVROWS_H

#include <QFile>
#include <QStringList>
#include <QTextStream>
#include <QVector>

// Reads a semicolon-separated file the way a spreadsheet does: quoted
// fields may hold the separator, doubled quotes and line breaks.
inline QVector<QStringList> readCsvRows(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = QTextStream(&file).readAll();
    QVector<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    bool any = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
            any = true;
        } else if (c == QLatin1Char(';')) {
            row << field;
            field.clear();
            any = true;
        } else if (c == QLatin1Char('\n')) {
            if (any || !field.isEmpty())
                row << field;
            rows << row;
            row.clear();
            field.clear();
            any = false;
        } else {
            field += c;
        }
    }
    if (any || !field.isEmpty() || !row.isEmpty()) {
        row << field;
        rows << row;
    }
    return rows;
}

#endif // CSVROWS_H
