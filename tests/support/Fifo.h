#pragma once

// A FIFO that a test names where the program expects a file. Opening a FIFO
// for reading waits until a writer comes, which is the hang the tests look
// for: once the bound has passed, the object opens the writing end now and
// then, which lets such a reader go (it reads an empty file), so that a
// failing test fails in seconds instead of hanging.

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

namespace kelvor::test {

class Fifo
{
public:
    // Makes the FIFO (throws when it cannot).
    explicit Fifo(std::filesystem::path path,
                  std::chrono::milliseconds bound = std::chrono::seconds(5));
    ~Fifo();
    Fifo(const Fifo&) = delete;
    Fifo& operator=(const Fifo&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // Whether a reader waited past the bound and had to be let go.
    bool releasedAWaitingReader() const { return m_released.load(); }

private:
    std::filesystem::path m_path;
    std::atomic<bool> m_released{false};
    std::jthread m_watch;
};

} // namespace kelvor::test
