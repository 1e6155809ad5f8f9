#include "tests/lib/FailingAllocator.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

constexpr std::size_t kAnySize = static_cast<std::size_t>(-1);

std::atomic<bool> counting{false};
std::atomic<long> made{0};
std::atomic<long> failingAt{0};  // the allocation that fails, from 1; 0: none
std::atomic<bool> andAfter{false};
std::atomic<std::size_t> largest{kAnySize};

bool Fails(std::size_t size) {
    if (size > largest.load(std::memory_order_relaxed)) return true;
    if (!counting.load(std::memory_order_relaxed)) return false;
    const long number = made.fetch_add(1) + 1;
    const long nth = failingAt.load();
    return nth != 0 && (number == nth || (andAfter.load() && number > nth));
}

}  // namespace

namespace failing {

void Fail(long nth, bool after) {
    made = 0;
    failingAt = nth;
    andAfter = after;
    counting = true;
}

void RefuseOver(std::size_t bytes) {
    largest = bytes;
}

long Stop() {
    counting = false;
    largest = kAnySize;
    return made;
}

}  // namespace failing

// Every form of new and delete is the program's own, each pair malloc and free (a sanitizer's
// new would not pair with this delete). Kept out of line: the compiler, seeing malloc under new and
// free under delete where one call inlines into another, would take them for a mismatched pair.
[[gnu::noinline]] void* operator new(std::size_t size) {
    if (Fails(size)) throw std::bad_alloc();
    if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
    throw std::bad_alloc();
}
[[gnu::noinline]] void* operator new[](std::size_t size) {
    return operator new(size);
}
[[gnu::noinline]] void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
[[gnu::noinline]] void* operator new[](std::size_t size, const std::nothrow_t& nothrow) noexcept {
    return operator new(size, nothrow);
}
[[gnu::noinline]] void operator delete(void* block) noexcept {
    std::free(block);
}
[[gnu::noinline]] void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
[[gnu::noinline]] void operator delete(void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
[[gnu::noinline]] void operator delete[](void* block) noexcept {
    std::free(block);
}
[[gnu::noinline]] void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
[[gnu::noinline]] void operator delete[](void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
