// The passes for x86-64 processors with AVX-512.
#define TALVER_SCAN_KERNELS Avx512ScanKernels
#define TALVER_VECTOR_BYTES 64
#define TALVER_VECTOR_TARGET "avx512f,avx2,fma,popcnt"
#include "input/ScanKernels-inl.h"
