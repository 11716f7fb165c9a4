#ifndef SGRECORDS_H
#define SGRECORDS_H

#include "views/SgEvaluation.h"

#include <memory>
#include <vector>

// The state records a signal-group view holds, in the order the worker
// handed them out: a load's, shared with its evaluation in another thread
// and never changed, then those of the follow steps. A step drops the
// records from a time on and adds what follows, so the load's part shrinks
// by a count rather than being copied.
class SgRecords
{
public:
    void clear();
    void append(const SgRecord &record) { m_tail.push_back(record); }
    int size() const { return m_sealedCount + int(m_tail.size()); }

    // The records so far become the load's part.
    void seal();
    // Drops the records at or after `msecs`; the number of the first one
    // dropped (size() when none).
    int dropFrom(qint64 msecs);
    // The records from number `first` on: the load's part itself where
    // that is all of them, else a copy.
    std::shared_ptr<const std::vector<SgRecord>> from(int first) const;

private:
    const SgRecord &at(int i) const
    {
        return i < m_sealedCount ? (*m_sealed)[size_t(i)] : m_tail[size_t(i - m_sealedCount)];
    }

    std::shared_ptr<const std::vector<SgRecord>> m_sealed;
    int m_sealedCount = 0;
    std::vector<SgRecord> m_tail;
};

#endif // SGRECORDS_H
