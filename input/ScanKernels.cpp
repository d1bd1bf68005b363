#include "input/ScanKernels.h"

#include <algorithm>
#include <vector>

// Each path's table; those this build does not hold are not declared.
const ScanKernels& BaselineScanKernels();
#if defined(TALVER_X86_PATHS)
const ScanKernels& Avx2ScanKernels();
const ScanKernels& Avx512ScanKernels();
#endif

const ScanKernels& ScanKernelsOf(VectorPath path)
{
    const std::vector<VectorPath> available = AvailableVectorPaths();
    if (std::find(available.begin(), available.end(), path) == available.end())
        path = VectorPath::Baseline;
#if defined(TALVER_X86_PATHS)
    if (path == VectorPath::Avx2)
        return Avx2ScanKernels();
    if (path == VectorPath::Avx512)
        return Avx512ScanKernels();
#endif
    return BaselineScanKernels();
}

const ScanKernels& ActiveScanKernels() { return ScanKernelsOf(ActiveVectorPath()); }
