// One long session, as an operator may have it: a unit that refuses the
// program file again and again, with a delete after every try, all on the
// one connection. Nothing may pile up: open files, threads, connections.

#include "tests/e2e/EndToEnd.h"

#include <filesystem>
#include <string>

using namespace kelvor::test;

namespace {

constexpr int kCycles = 30;      // each a failed upload and a delete
constexpr int kWarmUpCycles = 5; // before the first count: caches, lazy set-up
// What one leaked descriptor or thread per cycle would exceed many times
// over (25 cycles are counted), while leaving room for a descriptor that is
// briefly open at the moment of counting. Memory per cycle is the
// benchmark's (bench/run-long-session-bench.sh) and AddressSanitizer's.
constexpr std::size_t kAllowedGrowth = 2;

std::size_t entriesOf(const char* folder)
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder))
        ++count;
    return count;
}

struct Counts
{
    std::size_t descriptors = 0;
    std::size_t threads = 0;
};

Counts countNow()
{
    return {entriesOf("/proc/self/fd"), entriesOf("/proc/self/task")};
}

class LongSession : public EndToEnd
{};

TEST_F(LongSession, ThirtyFailedUploadsAndDeletesLeaveNothingBehind)
{
    UnitStandIn::Options options;
    options.refusals.push_back({"STOR", 553, std::nullopt}); // every time
    options.dotEntries = true;
    startUnit(options);
    // Something for every delete to remove: it lists ".", ".." and then
    // these in order, and removes the first of them.
    for (int i = 0; i < kCycles; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "old-%03d.bin", i);
        writeFile(unit->root() / "prog" / name, "an old program");
    }
    writeSettingsForTheUnit("PATH=/prog/\nFILENAME=KELVOR.BIN\n");
    writeProgramFile("KELVOR.BIN", 64 * 1024);

    Counts warm;
    Counts last;
    Script script;
    startAndLogIn(script);
    const auto menuReady = [] {
        return activeModalTemplate() == IDD_SUBMENU && g_dlgSubMenu.IsWindowEnabled() &&
               isActive(g_dlgSubMenu);
    };
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        script.when(
            "upload " + std::to_string(cycle), menuReady,
            [&, cycle] {
                if (cycle == kWarmUpCycles)
                    warm = countNow();
                clickButton(g_dlgSubMenu, IDC_UPLOAD);
            },
            60s);
        script.when(
            "delete " + std::to_string(cycle), menuReady,
            [] { clickButton(g_dlgSubMenu, IDC_DELETE); }, 60s);
    }
    script.when(
        "menu after the last cycle", menuReady,
        [&] {
            last = countNow();
            clickButton(g_dlgSubMenu, IDCANCEL);
        },
        60s);
    runProgram();

    const std::vector<std::string> oneCycle = {kConfirmUpload, kUploadFailed, kConfirmDelete,
                                               kDeleteDone};
    const std::vector<std::string> texts = boxes.texts();
    ASSERT_EQ(texts.size(), oneCycle.size() * kCycles);
    for (std::size_t i = 0; i < texts.size(); ++i)
        ASSERT_EQ(texts[i], oneCycle[i % oneCycle.size()]) << "message " << i;

    // One connection, logged in once, for everything.
    EXPECT_EQ(unit->sessions(), 1);
    EXPECT_EQ(unit->commands("USER").size(), 1u);
    EXPECT_EQ(unit->commands("STOR").size(), std::size_t{kCycles});
    EXPECT_EQ(unit->commands("DELE").size(), std::size_t{kCycles});
    EXPECT_TRUE(fs::is_empty(unit->root() / "prog"));

    EXPECT_LE(last.descriptors, warm.descriptors + kAllowedGrowth)
        << "open descriptors after " << kWarmUpCycles << " cycles: " << warm.descriptors
        << ", after " << kCycles << ": " << last.descriptors;
    EXPECT_LE(last.threads, warm.threads + kAllowedGrowth)
        << "threads after " << kWarmUpCycles << " cycles: " << warm.threads << ", after " << kCycles
        << ": " << last.threads;
    RecordProperty("descriptors_after_warm_up", static_cast<int>(warm.descriptors));
    RecordProperty("descriptors_at_end", static_cast<int>(last.descriptors));
    RecordProperty("threads_after_warm_up", static_cast<int>(warm.threads));
    RecordProperty("threads_at_end", static_cast<int>(last.threads));
}

} // namespace
