#ifndef DBGEN_INSERTER_H
#define DBGEN_INSERTER_H

#include "FutureCut.h"

#include <string>
#include <vector>

// Multi-row INSERT writer: about 1000 rows per statement. Rows the
// controller has not written by the generator's "now" are left out.
class Inserter
{
public:
    Inserter(const char *table, std::vector<const char *> columns);
    ~Inserter();

    // SQL literals in the columns' order.
    void row(const std::vector<std::string> &values);
    void finish();

    long long total() const { return m_total; }

private:
    std::string m_table;
    std::string m_head;
    FutureCut m_cut;
    int m_rows = 0;
    long long m_total = 0;
};

#endif // DBGEN_INSERTER_H
