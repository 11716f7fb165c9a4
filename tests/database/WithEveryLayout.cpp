// Linked into the suites that also run on PostgreSQL with partitioned
// tables and through PgBouncer.
#include "TestServers.h"

namespace {
const bool everyLayout = (TestServers::includeEveryLayout(), true);
}
