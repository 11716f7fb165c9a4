#include "CsvWriter.h"

#include <QFile>
#include <QTextStream>

QString CsvWriter::field(const QString &text)
{
    if (!text.contains(QLatin1Char(';')) && !text.contains(QLatin1Char('"'))
        && !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString CsvWriter::line(const QStringList &fields)
{
    QString out;
    for (int i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += QLatin1Char(';');
        out += field(fields.at(i));
    }
    return out;
}

bool CsvWriter::write(const QString &fileName, const QVector<QStringList> &rows, QString *error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    QTextStream stream(&file);
    for (const QStringList &row : rows)
        stream << line(row) << '\n';
    stream.flush();
    // A full disk shows only when the buffered text reaches the device.
    if (stream.status() != QTextStream::Ok || !file.flush() || file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}
