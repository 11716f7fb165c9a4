#include "Inserter.h"

#include "SqlText.h"

Inserter::Inserter(const char *table, std::vector<const char *> columns)
    : m_table(table)
    , m_cut(m_table, columns)
{
    m_head = "INSERT INTO " + std::string(table) + " (";
    for (size_t i = 0; i < columns.size(); ++i) {
        if (i)
            m_head += ", ";
        m_head += ident(columns[i]);
    }
    m_head += ") VALUES\n";
}

Inserter::~Inserter()
{
    finish();
}

void Inserter::row(const std::vector<std::string> &values)
{
    if (!m_cut.keeps(values))
        return;
    std::string r = m_rows == 0 ? m_head : ",\n";
    r += "(";
    for (size_t i = 0; i < values.size(); ++i) {
        if (i)
            r += ",";
        r += values[i];
    }
    r += ")";
    put(r);
    ++m_total;
    if (++m_rows >= 1000)
        finish();
}

void Inserter::finish()
{
    if (m_rows) {
        put(";\n");
        m_rows = 0;
    }
}
