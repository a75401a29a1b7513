// Upload throughput of CFtpConnection::PutFile against the curl command
// line tool, both storing the same file on the same vsftpd on loopback, and
// the peak memory of ours.
//
//     bench_upload [--size-mib N] [--runs N]
//
// Needs root (vsftpd) and the test user of tools/setup-test-peers.sh; run
// it through bench/run-upload-bench.sh.

#include "connection/Ftp.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestFiles.h"
#include "tests/support/Vsftpd.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <curl/curl.h>
#include <filesystem>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using kelvor::test::Vsftpd;

constexpr const char* kCurlTool = "/usr/bin/curl";

struct Options
{
    std::uint64_t sizeMiB = 1024;
    int runs = 3;
};

Options parse(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--size-mib" && i + 1 < argc) {
            options.sizeMiB = std::strtoull(argv[++i], nullptr, 10);
        } else if (arg == "--runs" && i + 1 < argc) {
            options.runs = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: %s [--size-mib N] [--runs N]\n", argv[0]);
            std::exit(2);
        }
    }
    return options;
}

double megabytesPerSecond(std::uint64_t bytes, Clock::duration took)
{
    const double seconds = std::chrono::duration<double>(took).count();
    return static_cast<double>(bytes) / 1e6 / seconds;
}

// One upload through our FTP layer, on a connection logged in beforehand.
Clock::duration uploadWithOurs(CFtpConnection& connection, const std::string& file,
                               const std::string& remote)
{
    const auto start = Clock::now();
    const BOOL stored = connection.PutFile(file, remote);
    const auto took = Clock::now() - start;
    if (!stored) {
        std::fprintf(stderr, "PutFile failed: curl %d, %s\n", connection.LastCurlCode(),
                     connection.LastReplyLine().c_str());
        std::exit(1);
    }
    return took;
}

// One upload with `curl -T`, in the same passive mode without EPSV; the
// time includes curl's start and login (a few milliseconds).
Clock::duration uploadWithCurlTool(const Vsftpd& server, const std::string& file,
                                   const std::string& remote)
{
    const std::string url = "ftp://" + server.address() + "/" + remote;
    const std::string credentials = server.user() + ":" + server.password();
    std::vector<std::string> args = {
        kCurlTool, "-sS", "--disable-epsv", "--noproxy", "*", "-u", credentials, "-T", file, url};
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    const auto start = Clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, kCurlTool, nullptr, nullptr, argv.data(), environ) != 0) {
        std::perror("posix_spawn curl");
        std::exit(1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    const auto took = Clock::now() - start;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "curl -T failed (status %d)\n", status);
        std::exit(1);
    }
    return took;
}

void expectStored(const Vsftpd& server, const std::string& remote, std::uint64_t size)
{
    const auto stored = server.localPath(remote);
    std::error_code error;
    if (std::filesystem::file_size(stored, error) != size) {
        std::fprintf(stderr, "%s: wrong size on the server\n", remote.c_str());
        std::exit(1);
    }
    std::filesystem::remove(stored, error);
}

} // namespace

int main(int argc, char** argv)
{
    const Options options = parse(argc, argv);
    if (auto why = Vsftpd::unavailableReason()) {
        std::fprintf(stderr, "cannot run: %s\n", why->c_str());
        return 1;
    }
    curl_global_init(CURL_GLOBAL_DEFAULT);
    {
        Vsftpd server;
        kelvor::test::TempDir local("kelvor-bench");
        const std::uint64_t size = options.sizeMiB << 20;
        const std::string small = (local.path() / "small.bin").string();
        const std::string large = (local.path() / "large.bin").string();
        kelvor::test::writePatternFile(small, 64ULL << 20);
        kelvor::test::writePatternFile(large, size);

        CInternetSession session;
        std::unique_ptr<CFtpConnection> connection(session.GetFtpConnection(
            server.address(), server.user(), server.password(), INTERNET_DEFAULT_FTP_PORT, TRUE));

        // The peak after a small upload, then after the large ones: flat
        // memory means the second is no higher.
        uploadWithOurs(*connection, small, "small.bin");
        expectStored(server, "small.bin", 64ULL << 20);
        const std::uint64_t peakSmall = kelvor::test::peakRssBytes();

        std::vector<double> ours;
        std::vector<double> tool;
        for (int run = 0; run < options.runs; ++run) {
            const auto oursTook = uploadWithOurs(*connection, large, "ours.bin");
            expectStored(server, "ours.bin", size);
            const auto toolTook = uploadWithCurlTool(server, large, "curl.bin");
            expectStored(server, "curl.bin", size);
            ours.push_back(megabytesPerSecond(size, oursTook));
            tool.push_back(megabytesPerSecond(size, toolTook));
            std::printf("run %d: PutFile %.0f MB/s, curl -T %.0f MB/s\n", run + 1, ours.back(),
                        tool.back());
        }
        const std::uint64_t peakLarge = kelvor::test::peakRssBytes();

        std::sort(ours.begin(), ours.end());
        std::sort(tool.begin(), tool.end());
        const double oursMedian = ours[ours.size() / 2];
        const double toolMedian = tool[tool.size() / 2];
        std::printf("file size:             %llu MiB, %d runs each (medians below)\n",
                    static_cast<unsigned long long>(options.sizeMiB), options.runs);
        std::printf("PutFile:               %.0f MB/s\n", oursMedian);
        std::printf("curl -T:               %.0f MB/s\n", toolMedian);
        std::printf("ratio PutFile/curl:    %.3f (target >= 0.95)\n", oursMedian / toolMedian);
        std::printf("peak RSS after 64 MiB: %.1f MB\n", static_cast<double>(peakSmall) / 1e6);
        std::printf("peak RSS after %llu MiB: %.1f MB (target < 20 MB, not growing)\n",
                    static_cast<unsigned long long>(options.sizeMiB),
                    static_cast<double>(peakLarge) / 1e6);
    }
    curl_global_cleanup();
    return 0;
}
