#pragma once

#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>

// A file open for reading bytes as they are, closed with its owner; handle
// is null when it cannot be opened.
struct ReadOnlyFile {
    explicit ReadOnlyFile(const std::string& path) : handle(std::fopen(path.c_str(), "rb")) {}
    ~ReadOnlyFile()
    {
        if (handle)
            std::fclose(handle);
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    // False when offset lies beyond what the C library can seek to.
    bool seek(std::uint64_t offset)
    {
        return offset <= static_cast<std::uint64_t>(std::numeric_limits<long>::max()) &&
               std::fseek(handle, static_cast<long>(offset), SEEK_SET) == 0;
    }

    std::FILE* handle;
};
