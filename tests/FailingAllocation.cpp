#include "tests/FailingAllocation.h"

#include <cstdlib>
#include <new>

std::atomic<long> g_allocationsLeft{-1};

namespace {

void* allocate(std::size_t size, bool throws)
{
    if (g_allocationsLeft.load(std::memory_order_relaxed) >= 0 && g_allocationsLeft.fetch_sub(1) == 0) {
        if (throws)
            throw std::bad_alloc();
        return nullptr;
    }
    void* p = std::malloc(size ? size : 1);
    if (!p && throws)
        throw std::bad_alloc();
    return p;
}

}  // namespace

// Every form that pairs with the plain delete, so that no block is made by
// one allocator and freed by another.
void* operator new(std::size_t size) { return allocate(size, true); }
void* operator new[](std::size_t size) { return allocate(size, true); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size, false); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size, false); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
