#pragma once

#include <string>
#include <vector>

struct VectorKernels;

// The builds of the hot loops, each at the full width of one kind of
// processor: baseline (the architecture's own minimum, 16 bytes: SSE2 on
// x86-64), avx2 (32 bytes, with FMA) and avx512 (64 bytes). Every path
// gives each number the same operations in the same order, so all give
// the same bits; only the time differs.
enum class VectorPath { Baseline, Avx2, Avx512 };

// "baseline", "avx2" or "avx512".
const char* VectorPathName(VectorPath path);

// The paths this build holds and this processor runs, narrowest first;
// baseline always.
std::vector<VectorPath> AvailableVectorPaths();

// What a request such as TALVER_VECTORS's value chooses: empty or null for
// the widest available path. False, with one line in error naming the
// request, for a name that is not a path or a path not available here.
bool ChooseVectorPath(const char* request, VectorPath& path, std::string& error);

// The path the runs take, and its kernels. Chosen at the first use from
// TALVER_VECTORS, the widest available when it asks for nothing or for
// what cannot be run (front ends refuse such a request first, through
// ChooseVectorPath); UseVectorPath changes it for the runs that start
// after.
VectorPath ActiveVectorPath();
const VectorKernels& ActiveKernels();
void UseVectorPath(VectorPath path);

// What a front end does first: takes the path TALVER_VECTORS asks for, or
// returns false with ChooseVectorPath's line and changes nothing.
bool UseVectorPathFromEnvironment(std::string& error);

// The kernels of one available path.
const VectorKernels& KernelsOf(VectorPath path);
