#pragma once

// Eight doubles side by side, in whatever registers the machine has: the
// hot loops are compiled for several vector widths and the widest the
// processor runs is taken. Each element gets the same arithmetic whatever
// the width, so every clone gives the same bits; the build keeps multiply
// and add apart (no contraction).

#include <cstddef>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define TALVER_VECTOR_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define TALVER_VECTOR_CLONES
#endif

constexpr std::size_t kLanes = 8;
typedef double Lanes __attribute__((vector_size(kLanes * sizeof(double))));
// What comparing two Lanes gives: all bits set in a lane where it holds.
typedef long long LaneMask __attribute__((vector_size(kLanes * sizeof(long long))));

// By reference: a vector passed by value would change the calling
// convention between the clones.
inline void LoadLanes(Lanes& lanes, const double* from) { std::memcpy(&lanes, from, sizeof lanes); }
inline void StoreLanes(double* to, const Lanes& lanes) { std::memcpy(to, &lanes, sizeof lanes); }
