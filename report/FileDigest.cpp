#include "report/FileDigest.h"

#include <nettle/sha2.h>

#include <cstdio>
#include <memory>
#include <vector>

FileDigest DigestOf(const std::string& path)
{
    FileDigest digest;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file)
        return digest;
    sha256_ctx context;
    sha256_init(&context);
    std::vector<std::uint8_t> chunk(1 << 20);
    std::size_t got = 0;
    while ((got = std::fread(chunk.data(), 1, chunk.size(), file.get())) > 0) {
        sha256_update(&context, got, chunk.data());
        digest.bytes += got;
    }
    if (std::ferror(file.get()))
        return {};
    std::uint8_t sum[SHA256_DIGEST_SIZE];
    sha256_digest(&context, sizeof sum, sum);
    static const char hex[] = "0123456789abcdef";
    for (const std::uint8_t byte : sum)
        digest.sha256 += {hex[byte >> 4], hex[byte & 15]};
    digest.read = true;
    return digest;
}
