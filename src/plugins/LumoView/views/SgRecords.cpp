#include "SgRecords.h"

#include <algorithm>

void SgRecords::clear()
{
    m_sealed.reset();
    m_sealedCount = 0;
    m_tail = {};
}

void SgRecords::seal()
{
    // Once a load: later records stay in the tail.
    if (m_sealed)
        return;
    m_sealed = std::make_shared<const std::vector<SgRecord>>(std::move(m_tail));
    m_sealedCount = int(m_sealed->size());
    m_tail = {};
}

int SgRecords::dropFrom(qint64 msecs)
{
    // A step goes back minutes at most: looked for from the end.
    int first = size();
    while (first > 0 && at(first - 1).msecs >= msecs)
        --first;
    if (first >= m_sealedCount) {
        m_tail.resize(size_t(first - m_sealedCount));
    } else {
        m_tail.clear();
        m_sealedCount = first;
    }
    return first;
}

std::shared_ptr<const std::vector<SgRecord>> SgRecords::from(int first) const
{
    if (first <= 0 && m_sealed && m_tail.empty() && m_sealedCount == int(m_sealed->size()))
        return m_sealed;
    auto records = std::make_shared<std::vector<SgRecord>>();
    records->reserve(size_t(std::max(0, size() - first)));
    for (int i = std::max(first, 0); i < size(); ++i)
        records->push_back(at(i));
    return records;
}
