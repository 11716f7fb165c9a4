#include "LogCsvExport.h"

#include "views/CsvWriter.h"

#include <QFile>
#include <QTextCodec>

namespace {

// Characters gathered before they are encoded and written.
const int bufferChars = 1 << 16;

// Each distinct text quoted once, when first written.
class QuotedTexts
{
public:
    explicit QuotedTexts(const QVector<QString> &texts)
        : texts(texts)
        , quoted(texts.size())
        , done(texts.size(), false)
    {
    }
    const QString &at(int id)
    {
        if (!done.at(id)) {
            quoted[id] = CsvWriter::field(texts.at(id));
            done[id] = true;
        }
        return quoted.at(id);
    }

private:
    const QVector<QString> &texts;
    QVector<QString> quoted;
    QVector<bool> done;
};

void appendClock(QString &out, int seconds)
{
    if (seconds >= 0)
        out += LogRecords::clockText(seconds);
}

} // namespace

LogCsvExport::LogCsvExport(const LogRecords &records, const QVector<int> &rows, const QStringList &header)
    : m_records(records)
    , m_rows(rows)
    , m_header(header)
{
}

bool LogCsvExport::write(const QString &fileName, QString *error, std::atomic<int> *written,
                         const std::atomic<bool> *cancelled) const
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    // As a text stream writes: the system's encoding, no byte order mark.
    QTextEncoder encoder(QTextCodec::codecForLocale(), QTextCodec::IgnoreHeader);
    QString buffer;
    buffer.reserve(bufferChars + 1024);
    bool ok = true;
    const auto flush = [&] {
        const QByteArray bytes = encoder.fromUnicode(buffer);
        ok = ok && file.write(bytes) == bytes.size();
        buffer.clear();
    };

    buffer += CsvWriter::line(m_header);
    buffer += QLatin1Char('\n');
    QuotedTexts types(m_records.texts(LogRecords::Type));
    QuotedTexts sources(m_records.texts(LogRecords::Source));
    QuotedTexts descriptions(m_records.texts(LogRecords::Description));
    const bool withSource = m_records.withSource();
    for (int i = 0; i < m_rows.size() && ok; ++i) {
        const int record = m_rows.at(i);
        appendClock(buffer, m_records.seconds(record, LogRecords::Time));
        buffer += QLatin1Char(';');
        appendClock(buffer, m_records.seconds(record, LogRecords::DeviceTime));
        buffer += QLatin1Char(';');
        buffer += types.at(m_records.textId(record, LogRecords::Type));
        buffer += QLatin1Char(';');
        if (withSource) {
            const int source = m_records.textId(record, LogRecords::Source);
            if (source >= 0)
                buffer += sources.at(source);
            buffer += QLatin1Char(';');
        }
        const int description = m_records.textId(record, LogRecords::Description);
        if (description >= 0)
            buffer += descriptions.at(description);
        // Five fields in every line: in the four-column layout the last is empty.
        if (!withSource)
            buffer += QLatin1Char(';');
        buffer += QLatin1Char('\n');
        if (buffer.size() >= bufferChars) {
            flush();
            if (written)
                *written = i + 1;
            if (cancelled && *cancelled)
                return false;
        }
    }
    flush();
    // A full disk shows only when the buffered bytes reach the device.
    if (!ok || !file.flush() || file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (written)
        *written = m_rows.size();
    return true;
}
