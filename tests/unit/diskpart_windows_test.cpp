// The diskpart listing on real Windows plumbing: the stand-in diskpart.exe (built beside the
// tests, in the build's "standins" folder) run through the real command interpreter, and through
// the "create_s.bat" retry when its first run prints no disk table. Windows build only; on Linux
// the same paths run on the simulated PC.
#ifdef _WIN32

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/run_context.h"
#include "disks/diskpart_listing.h"
#include "os/win32/win32_os.h"

namespace {

namespace fs = std::filesystem;

const char kListing[] =
    "  Disk ###  Status         Size     Free     Dyn  Gpt\r\n"
    "  --------  -------------  -------  -------  ---  ---\r\n"
    "  Disk 0    Online          476 GB      0 B        *\r\n"
    "  Disk 1    Online         1863 GB  1863 GB\r\n";

int CountOf(const std::string& haystack, const std::string& needle) {
    int n = 0;
    for (std::size_t at = haystack.find(needle); at != std::string::npos;
         at = haystack.find(needle, at + 1)) {
        ++n;
    }
    return n;
}

struct Case {
    int failFirst;      // runs of the stand-in that print no disk table
    int diskpartRuns;   // runs expected in its call log
    bool batchWritten;  // "create_s.bat" made
    bool listed;        // the disk table was read in the end
};

class DiskpartOnWindows : public testing::TestWithParam<Case> {};

TEST_P(DiskpartOnWindows, ListsThroughTheInterpreterOrTheRetryBatch) {
    const Case& c = GetParam();
    os::win32::Win32Os system;
    os::Os& os = system.Get();

    const fs::path tests = fs::path(os.files.ModuleFileName()).parent_path();
    const fs::path standIn = tests.parent_path() / "standins" / "diskpart.exe";
    ASSERT_TRUE(fs::exists(standIn)) << standIn.string();
    const fs::path work =
        fs::temp_directory_path() / ("volkit-diskpart-" + std::to_string(c.failFirst) + "-" +
                                     std::to_string(os.clock.NowMilliseconds()));
    fs::remove_all(work);
    ASSERT_TRUE(fs::create_directories(work));
    const std::string dir = work.string() + "\\";
    ASSERT_TRUE(os.files.CopyFile(standIn.string(), dir + "diskpart.exe", false));
    ASSERT_TRUE(os.files.WriteFile(dir + "diskpart_listing.txt", kListing));
    ASSERT_TRUE(os.files.WriteFile(dir + "diskpart_fail_first.txt", std::to_string(c.failFirst)));
    const std::string previous = os.files.CurrentDirectory();
    ASSERT_TRUE(os.files.SetCurrentDirectory(work.string()));

    RunContext ctx(os);
    ctx.disks.DiskCount = 2;
    ctx.disks.DiskTable[0].capacityText = "476";
    ctx.disks.DiskTable[1].capacityText = "1863";
    ListDiskpartDisks(ctx);
    os.files.SetCurrentDirectory(previous);

    std::string calls;
    ASSERT_TRUE(os.files.ReadFile(dir + "diskpart_calls.log", &calls));
    EXPECT_EQ(CountOf(calls, "/s list_par1.txt"), c.diskpartRuns) << calls;
    EXPECT_EQ(os.files.GetAttributes(dir + "create_s.bat") != os::kInvalidFileAttributes,
              c.batchWritten);
    std::string script;
    ASSERT_TRUE(os.files.ReadFile(dir + "list_par1.txt", &script));
    EXPECT_EQ(script, "list disk \r\n");

    const auto& table = ctx.disks.PartitionStyleTable;
    if (c.listed) {
        EXPECT_EQ(table[0].style, 2);
        EXPECT_EQ(table[1].style, 1);
        EXPECT_EQ(table[1].listFreeText, "1863");
        EXPECT_EQ(ctx.disks.DiskTable[1].emptyFlag, 1);
        EXPECT_EQ(ctx.disks.DiskTable[1].freeText, "1863");
    } else {
        EXPECT_EQ(table[0].style, 0);
        EXPECT_EQ(ctx.disks.DiskTable[1].emptyFlag, 0);
        EXPECT_EQ(ctx.disks.DiskTable[1].freeText, "0");
    }
    std::error_code ignored;
    fs::remove_all(work, ignored);
}

INSTANTIATE_TEST_SUITE_P(Paths, DiskpartOnWindows,
                         testing::Values(Case{0, 1, false, true},   // the interpreter's run
                                         Case{1, 2, true, true},    // one retry through the batch
                                         Case{5, 4, true, false}),  // every retry fails: 3 retries
                         [](const testing::TestParamInfo<Case>& param) {
                             return "failFirst" + std::to_string(param.param.failFirst);
                         });

}  // namespace

#endif  // _WIN32
