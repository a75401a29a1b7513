#pragma once

// Files and memory figures for the transfer tests.

#include <cstdint>
#include <filesystem>
#include <string>

namespace kelvor::test {

// Writes size bytes of a pseudo-random pattern (the same for the same seed)
// to path, streaming, so that files of any size cost no memory.
void writePatternFile(const std::filesystem::path& path, std::uint64_t size,
                      std::uint64_t seed = 1);

// Writes text to path as it is.
void writeFile(const std::filesystem::path& path, const std::string& content);

// The content of a (small) file.
std::string readFile(const std::filesystem::path& path);

// SHA-256 of a file's content, lower-case hex, read in chunks; throws when
// the file cannot be read.
std::string sha256OfFile(const std::filesystem::path& path);

// SHA-256 of bytes, lower-case hex.
std::string sha256Of(const std::string& bytes);

// The peak resident set size of this process so far, in bytes.
std::uint64_t peakRssBytes();

// The resident set size of this process now, in bytes (VmRSS).
std::uint64_t currentRssBytes();

} // namespace kelvor::test
