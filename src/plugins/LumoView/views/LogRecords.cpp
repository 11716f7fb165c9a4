#include "LogRecords.h"

#include "decoding/EventCatalogue.h"

#include <algorithm>
#include <atomic>
#include <vector>

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

bool LogRecords::holds(int record, int timeMsecs, int deviceTimeMsecs, const QString &type,
                       const DecodedLogRow &decoded) const
{
    const auto same = [this, record](Field field, bool has, const QString &text) {
        const int id = textId(record, field);
        return has ? id >= 0 && texts(field).at(id) == text : id < 0;
    };
    return m_time.at(record) == timeMsecs && m_deviceTime.at(record) == deviceTimeMsecs
        && m_typeNames.at(textId(record, Type)) == type
        && (!m_withSource || same(Source, decoded.hasSource, decoded.source))
        && same(Description, decoded.hasDescription, decoded.description);
}

namespace {

template<typename T>
void closeUp(QVector<T> &column, const std::vector<bool> &gone, int from)
{
    if (column.isEmpty())
        return;
    int out = from;
    for (int i = from; i < column.size(); ++i) {
        if (!gone[i])
            column[out++] = column.at(i);
    }
    column.resize(out);
}

} // namespace

QVector<int> LogRecords::remove(QVector<int> records)
{
    if (records.isEmpty())
        return {};
    std::sort(records.begin(), records.end());
    records.erase(std::unique(records.begin(), records.end()), records.end());
    std::vector<bool> gone(size(), false);
    for (int record : qAsConst(records)) {
        gone[record] = true;
        --m_types[textId(record, Type)].count;
        m_withSourceCount -= m_withSource && m_source.at(record) >= 0;
        m_withDescriptionCount -= m_description.at(record) >= 0;
    }
    const int first = records.first();
    const bool tail = records.size() == size() - first;
    QVector<int> renumbered;
    if (!tail) {
        renumbered.resize(size());
        int next = 0;
        for (int i = 0; i < size(); ++i)
            renumbered[i] = gone[i] ? -1 : next++;
    }
    closeUp(m_time, gone, first);
    closeUp(m_deviceTime, gone, first);
    closeUp(m_type, gone, first);
    closeUp(m_wideType, gone, first);
    closeUp(m_source, gone, first);
    closeUp(m_description, gone, first);
    return renumbered;
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
