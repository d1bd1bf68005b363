#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// The harnesses work in a folder of their own: the readers take file names,
// and the engines write their reports in the working directory.
inline void enterScratchFolder()
{
    static const bool entered = [] {
        char folder[] = "/tmp/talver-fuzz-XXXXXX";
        return mkdtemp(folder) && chdir(folder) == 0;
    }();
    if (!entered)
        std::abort();
}

inline void writeFile(const char* name, const std::string& bytes)
{
    std::FILE* file = std::fopen(name, "wb");
    if (!file)
        std::abort();
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

// Fails the run, as libFuzzer counts a crash.
#define FUZZ_CHECK(condition)                                                            \
    do {                                                                                 \
        if (!(condition)) {                                                              \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                \
        }                                                                                \
    } while (0)
