#pragma once

#include <cstdint>
#include <string>

// A file as a report names it: its size and its SHA-256, so that a reader
// can tell whether a file at hand is the one the run read.
struct FileDigest {
    bool read = false;  // false when the file cannot be opened or read through
    std::uint64_t bytes = 0;
    std::string sha256;  // 64 lowercase hexadecimal digits
};

FileDigest DigestOf(const std::string& path);
