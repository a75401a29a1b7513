// Memory, descriptors and threads over one long session: the upload and
// delete workers, run on the one connection as the operations menu runs
// them, against a unit stand-in that refuses every upload.
//
//     bench_long_session [--cycles N]
//
// A cycle is a failed upload and a delete that removes one file. Reports
// the resident set size after 10 cycles and after the last (200 by
// default). It needs port 21 of a loopback address: run it through
// bench/run-long-session-bench.sh, which runs it in the test namespace.

#include "connection/Ftp.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestFiles.h"
#include "tests/support/UnitStandIn.h"
#include "transfer/Delete.h"
#include "transfer/OperationState.h"
#include "transfer/Upload.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <curl/curl.h>
#include <filesystem>
#include <memory>
#include <string>

namespace {

namespace fs = std::filesystem;
using kelvor::test::UnitStandIn;

constexpr int kFirstReport = 10;

std::size_t entriesOf(const char* folder)
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder))
        ++count;
    return count;
}

void report(int cycles)
{
    std::printf("after %3d cycles: RSS %.1f MB, %zu open descriptors, %zu threads\n", cycles,
                static_cast<double>(kelvor::test::currentRssBytes()) / 1e6,
                entriesOf("/proc/self/fd"), entriesOf("/proc/self/task"));
}

// Starts the worker as the operations menu does and waits for its outcome.
int runWorker(AFX_THREADPROC worker)
{
    g_nStatus = STATUS_RUNNING;
    g_pWorkerThread = AfxBeginThread(worker, nullptr);
    if (!g_pWorkerThread->WaitForEnd(std::chrono::minutes(2))) {
        std::fprintf(stderr, "a worker did not end\n");
        std::exit(1);
    }
    return g_nStatus.load();
}

} // namespace

int main(int argc, char** argv)
{
    int cycles = 200;
    if (argc == 3 && std::string(argv[1]) == "--cycles") {
        cycles = std::max(kFirstReport, std::atoi(argv[2]));
    } else if (argc != 1) {
        std::fprintf(stderr, "usage: %s [--cycles N]\n", argv[0]);
        return 2;
    }
    curl_global_init(CURL_GLOBAL_DEFAULT);
    {
        UnitStandIn::Options options;
        options.refusals.push_back({"STOR", 553, std::nullopt});
        options.dotEntries = true;
        UnitStandIn unit(options);
        fs::create_directories(unit.root() / "prog");
        for (int i = 0; i < cycles; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "old-%04d.bin", i);
            kelvor::test::writeFile(unit.root() / "prog" / name, "an old program");
        }
        kelvor::test::TempDir local("kelvor-bench");
        const fs::path program = local.path() / "KELVOR.BIN";
        kelvor::test::writePatternFile(program, 64 * 1024);

        {
            CInternetSession session;
            g_pFtpConnection =
                session.GetFtpConnection(unit.address(), unit.user(), unit.password(), 21, TRUE);
        }
        g_strDeviceAddress = unit.address();
        report(0);
        for (int cycle = 1; cycle <= cycles; ++cycle) {
            g_szLocalPath = program.string();
            g_szRemotePath = "/prog/KELVOR.BIN";
            if (runWorker(&UploadThread) != STATUS_FAILED) {
                std::fprintf(stderr, "cycle %d: the refused upload did not fail\n", cycle);
                return 1;
            }
            g_szRemotePath = "/prog/";
            if (runWorker(&DeleteThread) != STATUS_DONE) {
                std::fprintf(stderr, "cycle %d: the delete failed\n", cycle);
                return 1;
            }
            if (cycle == kFirstReport || cycle == cycles)
                report(cycle);
        }
        std::printf("connections the unit saw: %d, logins: %zu\n", unit.sessions(),
                    unit.commands("USER").size());
        ReleaseOperationState();
    }
    curl_global_cleanup();
    return 0;
}
