#ifndef LOGROWLIST_H
#define LOGROWLIST_H

#include <QVector>

// The records of the event log's rows, row by row. While they are the first
// records of the load one after another (a load, unsorted and unfiltered),
// only their number is kept: four bytes a row less.
class LogRowList
{
public:
    int size() const { return m_all ? m_count : m_list.size(); }
    bool isEmpty() const { return size() == 0; }
    int at(int row) const { return m_all ? row : m_list.at(row); }
    int indexOf(int record) const { return m_all ? (record < m_count ? record : -1) : m_list.indexOf(record); }

    void clear()
    {
        m_all = true;
        m_count = 0;
        m_list = QVector<int>();
    }
    // The first `count` records.
    void setFirst(int count)
    {
        clear();
        m_count = count;
    }
    void assign(const QVector<int> &records)
    {
        m_all = false;
        m_count = 0;
        m_list = records;
    }
    void append(int record)
    {
        if (m_all && record == m_count) {
            ++m_count;
            return;
        }
        if (m_all)
            m_list = toVector();
        m_all = false;
        m_list.append(record);
    }
    // Each record's new index, -1 for one taken out, whose row goes.
    // Returns the first row that shows another record than before (the
    // size where none does).
    template<typename NewIndex>
    int renumber(NewIndex newIndex)
    {
        if (m_all) {
            int same = 0;
            while (same < m_count && newIndex(same) == same)
                ++same;
            bool restGone = true;
            for (int record = same; record < m_count && restGone; ++record)
                restGone = newIndex(record) < 0;
            if (restGone) {
                m_count = same;
                return same;
            }
            m_list = toVector();
            m_all = false;
        }
        int first = -1;
        int out = 0;
        for (int row = 0; row < m_list.size(); ++row) {
            const int record = newIndex(m_list.at(row));
            if (first < 0 && (record != m_list.at(row) || out != row))
                first = out;
            if (record >= 0)
                m_list[out++] = record;
        }
        m_list.resize(out);
        return first < 0 ? out : first;
    }
    QVector<int> toVector() const
    {
        if (!m_all)
            return m_list;
        QVector<int> records(m_count);
        for (int i = 0; i < m_count; ++i)
            records[i] = i;
        return records;
    }

private:
    bool m_all = true;
    int m_count = 0;
    QVector<int> m_list;
};

#endif // LOGROWLIST_H
