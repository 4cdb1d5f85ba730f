#include "allocation_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<std::size_t> allocations{0};
}

namespace vn::test {
std::size_t allocationCount() {
    return allocations.load();
}
#if defined(__SANITIZE_ADDRESS__)
bool allocationCountingActive() {
    return false;
}
#else
bool allocationCountingActive() {
    return true;
}
#endif
}  // namespace vn::test

// The sanitizers replace the allocator themselves; counting stays out of their way.
#if !defined(__SANITIZE_ADDRESS__)
void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
#endif
