#pragma once
// Counts the program's heap allocations, so that a test can show that a loop allocates nothing.
// Under AddressSanitizer, which owns the allocator, counting is off and Enabled() says so.

namespace tess::testing {

long AllocationCount();
bool AllocationCountingEnabled();

}  // namespace tess::testing
