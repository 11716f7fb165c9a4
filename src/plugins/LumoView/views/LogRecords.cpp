#include "LogRecords.h"

#include "decoding/EventCatalogue.h"

#include <atomic>

namespace {

std::atomic<quint64> generations{0};

} // namespace

LogRecords::LogRecords(bool withSource)
    : m_withSource(withSource)
    , m_generation(++generations)
{
}

void LogRecords::clear()
{
    *this = LogRecords(m_withSource);
}

int LogRecords::TextTable::id(const QString &text)
{
    auto it = ids.constFind(text);
    if (it != ids.constEnd())
        return *it;
    const int next = texts.size();
    texts.append(text);
    ids.insert(text, next);
    return next;
}

void LogRecords::append(int timeMsecs, int deviceTimeMsecs, int typeId, const QString &type,
                        const DecodedLogRow &decoded)
{
    // Types are told apart by the text the table shows; the id only finds
    // the text quickly.
    auto byId = m_typeById.constFind(typeId);
    int index = byId != m_typeById.constEnd() && m_typeNames.at(*byId) == type ? *byId : -1;
    if (index < 0) {
        index = m_typeByName.value(type, -1);
        if (index < 0) {
            index = m_types.size();
            m_types.append({type, 0});
            m_typeNames.append(type);
            m_typeByName.insert(type, index);
        }
        m_typeById.insert(typeId, index);
    }
    ++m_types[index].count;
    m_time.append(timeMsecs);
    m_deviceTime.append(deviceTimeMsecs);
    if (m_wideType.isEmpty() && index > 0xffff) {
        m_wideType = QVector<int>(m_type.cbegin(), m_type.cend());
        m_type = QVector<quint16>();
    }
    if (m_wideType.isEmpty())
        m_type.append(quint16(index));
    else
        m_wideType.append(index);
    if (m_withSource) {
        m_source.append(decoded.hasSource ? m_sources.id(decoded.source) : -1);
        m_withSourceCount += decoded.hasSource;
    }
    m_description.append(decoded.hasDescription ? m_descriptions.id(decoded.description) : -1);
    m_withDescriptionCount += decoded.hasDescription;
}

const QVector<QString> &LogRecords::texts(Field field) const
{
    static const QVector<QString> none;
    switch (field) {
    case Type:
        return m_typeNames;
    case Source:
        return m_sources.texts;
    case Description:
        return m_descriptions.texts;
    default:
        return none;
    }
}

QString LogRecords::clockText(int seconds)
{
    if (seconds < 0)
        return QString();
    const int parts[] = {seconds / 3600, seconds / 60 % 60, seconds % 60};
    QString text(8, QLatin1Char(':'));
    QChar *out = text.data();
    for (int part : parts) {
        out[0] = QLatin1Char(char('0' + part / 10 % 10));
        out[1] = QLatin1Char(char('0' + part % 10));
        out += 3;
    }
    return text;
}

QString LogRecords::text(int record, Field field) const
{
    switch (field) {
    case Time:
    case DeviceTime:
        return clockText(seconds(record, field));
    default: {
        const int id = textId(record, field);
        return id < 0 ? QString() : texts(field).at(id);
    }
    }
}
