// Linked into the suites that also run on PostgreSQL with partitioned tables.
#include "TestServers.h"

#include <QtGlobal>

namespace {
void includePartitioned()
{
    TestServers::includePartitioned();
}
} // namespace

Q_CONSTRUCTOR_FUNCTION(includePartitioned)
