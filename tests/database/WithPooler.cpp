// Linked into the suites that also run through PgBouncer.
#include "TestServers.h"

#include <QtGlobal>

namespace {
void includePooler()
{
    TestServers::includePooler();
}
} // namespace

Q_CONSTRUCTOR_FUNCTION(includePooler)
