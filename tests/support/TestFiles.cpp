#include "tests/support/TestFiles.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <openssl/evp.h>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace kelvor::test {

namespace {

constexpr std::size_t kChunk = 1 << 20;

struct DigestContext
{
    DigestContext() : ctx(EVP_MD_CTX_new())
    {
        if (ctx == nullptr || EVP_DigestInit_ex(ctx, EVP_sha256(), nullptr) != 1)
            throw std::runtime_error("cannot start SHA-256");
    }
    ~DigestContext() { EVP_MD_CTX_free(ctx); }
    void update(const void* data, std::size_t size) { EVP_DigestUpdate(ctx, data, size); }
    std::string hex()
    {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        EVP_DigestFinal_ex(ctx, digest, &length);
        static constexpr char kHex[] = "0123456789abcdef";
        std::string text;
        for (unsigned int i = 0; i < length; ++i) {
            text += kHex[digest[i] >> 4];
            text += kHex[digest[i] & 0x0F];
        }
        return text;
    }
    EVP_MD_CTX* ctx;
};

} // namespace

void writePatternFile(const std::filesystem::path& path, std::uint64_t size, std::uint64_t seed)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
    std::vector<std::uint64_t> words(kChunk / sizeof(std::uint64_t));
    std::uint64_t state = seed;
    std::uint64_t left = size;
    while (left > 0) {
        for (std::uint64_t& word : words) {
            // splitmix64
            state += 0x9E3779B97F4A7C15ULL;
            std::uint64_t z = state;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
            word = z ^ (z >> 31);
        }
        const std::size_t now = static_cast<std::size_t>(std::min<std::uint64_t>(left, kChunk));
        out.write(reinterpret_cast<const char*>(words.data()), static_cast<std::streamsize>(now));
        left -= now;
    }
    if (!out.flush())
        throw std::runtime_error("cannot write " + path.string());
}

void writeFile(const std::filesystem::path& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out.flush())
        throw std::runtime_error("cannot write " + path.string());
}

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string sha256OfFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    DigestContext digest;
    std::vector<char> buffer(kChunk);
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        digest.update(buffer.data(), static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad())
        throw std::runtime_error("cannot read " + path.string());
    return digest.hex();
}

std::string sha256Of(const std::string& bytes)
{
    DigestContext digest;
    digest.update(bytes.data(), bytes.size());
    return digest.hex();
}

std::uint64_t peakRssBytes()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::uint64_t>(usage.ru_maxrss) * 1024; // Linux counts in KiB
}

std::uint64_t currentRssBytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stoull(line.substr(6)) * 1024; // "VmRSS:   1234 kB"
    }
    return 0;
}

} // namespace kelvor::test
