// The passes every processor of the architecture runs.
#define TALVER_SCAN_KERNELS BaselineScanKernels
#define TALVER_VECTOR_BYTES 16
#include "input/ScanKernels-inl.h"
