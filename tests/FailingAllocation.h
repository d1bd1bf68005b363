#pragma once

#include <atomic>

// A program linked with FailingAllocation.cpp takes every allocation of
// operator new through a count, so that a test can make the n-th one
// throw std::bad_alloc, on whichever thread it comes. Below 0, none does.
extern std::atomic<long> g_allocationsLeft;
