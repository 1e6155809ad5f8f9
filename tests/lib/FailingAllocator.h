#pragma once

// The test program's operator new, failing where a case asks: as on a machine out of memory, the
// run's frames then give theirs back. Linked into a test program, it replaces every form of new
// and delete of that program.

#include <cstddef>

namespace failing {

// Counts the allocations from now; the `nth` (from 1) fails, and with `andAfter` every one after
// it too. 0 counts without failing.
void Fail(long nth, bool andAfter = false);
// Blocks larger than `bytes` fail from now.
void RefuseOver(std::size_t bytes);
// Back to allocating as the system does; answers the allocations counted since Fail.
long Stop();

}  // namespace failing
