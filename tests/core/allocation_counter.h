// Counts heap allocations made by this test program, so that tests can check
// that a hot routine allocates nothing.
#pragma once

#include <cstddef>

namespace vn::test {

// Number of calls of the global operator new since the program started.
std::size_t allocationCount();

// False in sanitizer builds, whose allocator is not counted.
bool allocationCountingActive();

}  // namespace vn::test
