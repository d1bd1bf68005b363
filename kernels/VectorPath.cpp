#include "kernels/VectorPath.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "kernels/VectorKernels.h"

namespace {

constexpr VectorPath kPaths[] = {VectorPath::Baseline, VectorPath::Avx2, VectorPath::Avx512};

bool available(VectorPath path)
{
    if (path == VectorPath::Baseline)
        return true;
#if defined(TALVER_X86_PATHS)
    // Also asked before the constructors have run, as from tests' static
    // set-up.
    __builtin_cpu_init();
    const bool avx2 =
        __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") && __builtin_cpu_supports("popcnt");
    return path == VectorPath::Avx2 ? avx2 : avx2 && __builtin_cpu_supports("avx512f");
#else
    return false;
#endif
}

#if defined(TALVER_X86_PATHS)
// The AVX-512 path takes each kernel at the width that measures fastest on
// it (bench/vector_paths.sh, whole runs and each kernel alone): the
// recursions of the number correct and of the total score, the pairs'
// products, the weighted sums and the exponentials run slower at 64 bytes
// than at 32, and keep AVX2's, so that the wider path is never the slower;
// the kernels of eight points side by side and the polytomous items'
// probabilities keep 64. Every width gives the same bits.
const VectorKernels& avx512Path()
{
    static const VectorKernels kernels = [] {
        VectorKernels chosen = Avx512Kernels();
        const VectorKernels& narrower = Avx2Kernels();
        chosen.numberCorrect = narrower.numberCorrect;
        chosen.totalScore = narrower.totalScore;
        chosen.addProducts = narrower.addProducts;
        chosen.exponentials = narrower.exponentials;
        chosen.addWeighted = narrower.addWeighted;
        return chosen;
    }();
    return kernels;
}
#endif

const VectorKernels& tableOf(VectorPath path)
{
#if defined(TALVER_X86_PATHS)
    if (path == VectorPath::Avx2)
        return Avx2Kernels();
    if (path == VectorPath::Avx512)
        return avx512Path();
#endif
    (void)path;
    return BaselineKernels();
}

// The process's choice, as a path's number; below 0 until the first use.
std::atomic<int> chosen{-1};

}  // namespace

const char* VectorPathName(VectorPath path)
{
    switch (path) {
    case VectorPath::Avx2:
        return "avx2";
    case VectorPath::Avx512:
        return "avx512";
    default:
        return "baseline";
    }
}

std::vector<VectorPath> AvailableVectorPaths()
{
    std::vector<VectorPath> paths;
    for (const VectorPath path : kPaths)
        if (available(path))
            paths.push_back(path);
    return paths;
}

bool ChooseVectorPath(const char* request, VectorPath& path, std::string& error)
{
    if (!request || !*request) {
        path = AvailableVectorPaths().back();
        return true;
    }
    for (const VectorPath candidate : kPaths)
        if (std::strcmp(request, VectorPathName(candidate)) == 0) {
            if (!available(candidate)) {
                error = std::string("TALVER_VECTORS=") + request + ": this " +
#if defined(TALVER_X86_PATHS)
                        "processor cannot run the " + request + " path";
#else
                        "build holds no " + request + " path";
#endif
                return false;
            }
            path = candidate;
            return true;
        }
    error = std::string("TALVER_VECTORS=") + request + ": not a vector path (baseline, avx2 or avx512)";
    return false;
}

VectorPath ActiveVectorPath()
{
    int number = chosen.load(std::memory_order_acquire);
    if (number < 0) {
        VectorPath path;
        std::string error;
        if (!ChooseVectorPath(std::getenv("TALVER_VECTORS"), path, error))
            ChooseVectorPath(nullptr, path, error);
        chosen.compare_exchange_strong(number, static_cast<int>(path), std::memory_order_acq_rel);
        number = chosen.load(std::memory_order_acquire);
    }
    return static_cast<VectorPath>(number);
}

const VectorKernels& ActiveKernels() { return tableOf(ActiveVectorPath()); }

void UseVectorPath(VectorPath path)
{
    if (available(path))
        chosen.store(static_cast<int>(path), std::memory_order_release);
}

bool UseVectorPathFromEnvironment(std::string& error)
{
    VectorPath path;
    if (!ChooseVectorPath(std::getenv("TALVER_VECTORS"), path, error))
        return false;
    UseVectorPath(path);
    return true;
}

const VectorKernels& KernelsOf(VectorPath path) { return tableOf(available(path) ? path : VectorPath::Baseline); }
