// Counts the array allocations (new[] minus delete[]) the test program has outstanding, so the
// simulation tests can see that a restart frees what it replaces.
#pragma once

namespace sim::test {

long liveArrayAllocations();

}  // namespace sim::test
