#include "tests/FailingAllocation.h"

#include <cstdlib>
#include <new>

std::atomic<long> g_allocationsLeft{-1};

void* operator new(std::size_t size)
{
    if (g_allocationsLeft.load(std::memory_order_relaxed) >= 0 && g_allocationsLeft.fetch_sub(1) == 0)
        throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
