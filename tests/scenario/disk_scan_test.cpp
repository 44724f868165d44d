// The disk inventory scan on simulated PCs: drive letters, the Windows disk and installations,
// the IRST step with rstcli run through its batch file on the virtual clock, and the system
// disk's partition style.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/run_context.h"
#include "common/text.h"
#include "disks/scan.h"
#include "irst/deploy.h"
#include "support/scenario.h"

namespace {

using Json = nlohmann::json;

const std::string kReports = std::string(VOLKIT_SOURCE_DIR) + "/tests/data/rstcli";

// Three drives (an SSD and two hard disks) on a 32-bit Windows 7, IRST 14.8 installed; the
// report of tests/data/rstcli/raid1_data_14_8.txt matches them.
Json ScanMachine() {
    return Json{
        {"windows", {{"is64Bit", false}}},
        {"drives",
         Json::array(
             {{{"serial", "S3Z9NB0K654321B"},
               {"model", "Samsung SSD 860 EVO 500GB"},
               {"sectors", 976773168},
               {"rotationRate", 1}},
              {{"serial", "Z1D2XY01"}, {"model", "ST1000DM003-1ER162"}, {"sectors", 1953525168}},
              {{"serial", "Z1D2XY02"}, {"model", "ST1000DM003-1ER162"}, {"sectors", 1953525168}}})},
        {"logicalDrives", Json::array({"C", "D"})},
        {"volumes",
         {{"C", {{"disk", 0}, {"partition", 2}}}, {"D", {{"disk", 1}, {"partition", 1}}}}},
        {"registry", {{"HKLM\\SOFTWARE\\Intel\\IRST", {{"LastKitInstalled", "14.8.0.1042"}}}}},
        {"resources",
         {{"BINARY",
           {{"131", {{"text", "rstcli.exe -I >Kcli.txt\r\n\r\n"}}},
            {"145", {{"text", "rstcli 14.8.0.1042 (simulated)"}}}}}}},
        {"programs",
         {{"rstcli", {{"report", "raid1_data_14_8.txt"}, {"durationMs", 800}}},
          {"diskpart",
           {{"durationMs", 100},
            {"listingText",
             "  Disk ###  Status         Size     Free     Dyn  Gpt\r\n"
             "  --------  -------------  -------  -------  ---  ---\r\n"
             "  Disk 0    Online          465 GB      0 B        *\r\n"
             "  Disk 1    Online          931 GB      0 B\r\n"
             "  Disk 2    Online          931 GB      0 B\r\n"}}}}},
    };
}

struct Scan {
    explicit Scan(const Json& machine) : scenario(machine.dump(), kReports), ctx(scenario.Os()) {
        ctx.g_strAppDir = "C:\\VOLKIT\\";
    }
    Scenario scenario;
    RunContext ctx;
};

std::vector<std::string> Letters(const disks::DiskState& d) {
    std::vector<std::string> out;
    for (int i = 0; i < d.DriveLetterCount; ++i) {
        const disks::DriveLetterEntry& e = d.DriveLetterTable[i];
        out.push_back(e.letter + "=" + std::to_string(e.diskNumber) + "/" +
                      std::to_string(e.deviceType));
    }
    return out;
}

TEST(DiskScan, LetterTableStartsWithANeverQueried) {
    struct Case {
        std::vector<std::string> present;
        std::vector<std::string> table;
    };
    const Case cases[] = {
        {{"C", "D"}, {"A=-1/-1", "C=0/7", "D=1/7"}},
        // A and B answer as partitions of disk 0 here, yet are never asked; E is a CD drive.
        {{"A", "B", "C", "E"}, {"A=-1/-1", "B=-1/-1", "C=0/7", "E=-1/-1"}},
    };
    for (const Case& c : cases) {
        Json machine = ScanMachine();
        machine["logicalDrives"] = c.present;
        machine["volumes"]["A"] = {{"disk", 0}, {"partition", 1}};
        machine["volumes"]["B"] = {{"disk", 0}, {"partition", 1}};
        machine["volumes"]["E"] = {{"disk", 0}, {"partition", 0}, {"deviceType", 2}};
        Scan s(machine);
        MapDriveLetters(s.ctx);
        EXPECT_EQ(Letters(s.ctx.disks), c.table);
    }
}

struct MarkCase {
    const char* name;
    Json extra;                // merged into the machine
    std::vector<int> osDisk;   // osDiskFlag of each identified disk
    std::vector<int> windows;  // windowsFlag of each identified disk
    int systemDisk;
};

// A case shows as its name in the test output: printed as raw bytes, its padding (never set)
// would be read.
void PrintTo(const MarkCase& c, std::ostream* os) {
    *os << c.name;
}

class DiskScanMarks : public testing::TestWithParam<MarkCase> {};

TEST_P(DiskScanMarks, MarkTheWindowsDiskAndEveryInstallation) {
    Json machine = ScanMachine();
    machine.merge_patch(GetParam().extra);
    Scan s(machine);
    ScanDisks(s.ctx);
    const disks::DiskState& d = s.ctx.disks;
    ASSERT_EQ(d.DiskCount, static_cast<int>(GetParam().osDisk.size()));
    std::vector<int> os, windows;
    for (int i = 0; i < d.DiskCount; ++i) {
        os.push_back(d.DiskTable[i].osDiskFlag);
        windows.push_back(d.DiskTable[i].windowsFlag);
    }
    EXPECT_EQ(os, GetParam().osDisk);
    EXPECT_EQ(windows, GetParam().windows);
    EXPECT_EQ(d.SystemDiskNumber, GetParam().systemDisk);
}

INSTANTIATE_TEST_SUITE_P(
    Machines, DiskScanMarks,
    testing::Values(
        MarkCase{"WindowsOnC", Json::object(), {1, 0, 0}, {1, 0, 0}, 0},
        // Windows runs from D, the first partition of disk 1.
        MarkCase{"WindowsOnDOfDisk1",
                 {{"paths", {{"windows", "D:\\Windows"}, {"programFiles", "D:\\Program Files"}}}},
                 {0, 1, 0},
                 {0, 1, 0},
                 1},
        // A Windows folder alone is no installation.
        MarkCase{"WindowsFolderWithoutProgramFiles",
                 {{"logicalDrives", {"C", "D", "E"}},
                  {"volumes", {{"E", {{"disk", 2}, {"partition", 1}}}}},
                  {"folders", {"E:\\Windows"}}},
                 {1, 0, 0},
                 {1, 0, 0},
                 0},
        // Both folders on E of disk 2: an installation other than the running one.
        MarkCase{"InstallationOnEOfDisk2",
                 {{"logicalDrives", {"C", "D", "E"}},
                  {"volumes", {{"E", {{"disk", 2}, {"partition", 1}}}}},
                  {"folders", {"E:\\Windows", "E:\\Program Files"}}},
                 {1, 0, 0},
                 {1, 0, 1},
                 0},
        // Windows on disk 3 while only disks 0 and 3 answer: its number is not below the count
        // of identified disks, so nothing is marked.
        MarkCase{"WindowsOnDiskBeyondTheCount",
                 {{"drives",
                   {{{"serial", "S0"}, {"model", "M0"}, {"sectors", 1000000}},
                    {{"serial", "S1"}, {"model", "M1"}, {"identify", false}},
                    {{"serial", "S2"}, {"model", "M2"}, {"identify", false}},
                    {{"serial", "S3"}, {"model", "M3"}, {"sectors", 1000000}}}},
                  {"volumes", {{"C", {{"disk", 3}, {"partition", 1}}}}}},
                 {0, 0},
                 {0, 1},
                 0}),
    [](const testing::TestParamInfo<MarkCase>& param) { return std::string(param.param.name); });

TEST(DiskScan, SystemDiskGptFollowsTheListingOfTheSystemDisk) {
    struct Case {
        const char* windows;
        const char* programFiles;
        int gpt;
    };
    // The listing marks disk 0 as GPT: a system on C (disk 0) is on GPT, one on D (disk 1) not.
    const Case cases[] = {{"C:\\Windows", "C:\\Program Files", 1},
                          {"D:\\Windows", "D:\\Program Files", 0}};
    for (const Case& c : cases) {
        Json machine = ScanMachine();
        machine["paths"] = {{"windows", c.windows}, {"programFiles", c.programFiles}};
        Scan s(machine);
        ScanDisks(s.ctx);
        EXPECT_EQ(s.ctx.disks.SystemDiskGpt, c.gpt) << c.windows;
        EXPECT_EQ(s.scenario.Os().files.CurrentDirectory(), "C:\\VOLKIT");
    }
}

TEST(DiskScan, IrstReportIsProducedParsedAndMatchedToTheDisks) {
    Scan s(ScanMachine());
    ScanDisks(s.ctx);
    EXPECT_EQ(s.ctx.IrstRelease, 148);
    EXPECT_EQ(s.scenario.File("C:\\Windows\\rstcli.exe"), "rstcli 14.8.0.1042 (simulated)");
    EXPECT_EQ(s.scenario.File("C:\\Windows\\cli.bat"), "rstcli.exe -I >Kcli.txt\r\n\r\n");
    EXPECT_EQ(s.scenario.Journal("rstcli.call"), std::vector<std::string>{"-I"});
    ASSERT_EQ(s.ctx.rst.RstDiskCount, 3);
    EXPECT_EQ(s.ctx.rst.RstDiskTable[1].serial, "Z1D2XY01");
    EXPECT_EQ(s.ctx.rst.RstVolumeCount, 1);
    EXPECT_EQ(s.ctx.rst.RstVolumeTable[0].name, "Volume_0000");
}

TEST(DiskScan, WithoutIrstNoWorkFileIsWrittenAndNothingRuns) {
    Json machine = ScanMachine();
    machine.erase("registry");
    Scan s(machine);
    ScanDisks(s.ctx);
    EXPECT_EQ(s.ctx.IrstRelease, 0);
    for (const char* file : {"C:\\Windows\\rstcli.exe", "C:\\Windows\\cli.bat"})
        EXPECT_FALSE(s.scenario.File(file).has_value()) << file;
    EXPECT_TRUE(s.scenario.Journal("rstcli.call").empty());
    EXPECT_EQ(s.ctx.rst.RstDiskCount, 0);
    EXPECT_EQ(s.ctx.disks.DiskCount, 3);
}

// The report is read once the batch file has ended, at the latest after two seconds.
TEST(RstcliInformation, WaitEndsWithTheBatchFileAndIsBoundedByTwoSeconds) {
    struct Case {
        int durationMs;
        std::uint64_t waitedMs;
        int disks;
    };
    const Case cases[] = {{800, 800, 3}, {1999, 1999, 3}, {5000, 2000, 0}};
    for (const Case& c : cases) {
        Json machine = ScanMachine();
        machine["programs"]["rstcli"]["durationMs"] = c.durationMs;
        Scan s(machine);
        const std::uint64_t start = s.scenario.Machine().Now();
        RunRstcliInformation(s.ctx);
        EXPECT_EQ(s.scenario.Machine().Now() - start, c.waitedMs) << c.durationMs;
        EXPECT_EQ(s.ctx.rst.RstDiskCount, c.disks) << c.durationMs;
        EXPECT_EQ(s.scenario.Os().files.CurrentDirectory(), "C:\\Windows");
    }
}

TEST(RstcliInformation, ReleaseWithoutItsOwnBuildUsesTheFileAtThePath) {
    struct Case {
        bool toolThere;
        int disks;
        std::uint64_t waitedMs;  // a missing tool is not waited for
    };
    for (const Case c : {Case{true, 3, 800}, Case{false, 0, 0}}) {
        Json machine = ScanMachine();
        machine["registry"]["HKLM\\SOFTWARE\\Intel\\IRST"]["LastKitInstalled"] = "13.0.0.1098";
        if (c.toolThere) machine["files"] = {{"C:\\Windows\\rstcli.exe", "MZ older build"}};
        Scan s(machine);
        const std::uint64_t start = s.scenario.Machine().Now();
        RunRstcliInformation(s.ctx);
        EXPECT_EQ(s.scenario.Machine().Now() - start, c.waitedMs);
        EXPECT_EQ(s.ctx.IrstRelease, 130);
        EXPECT_EQ(s.ctx.rst.RstDiskCount, c.disks);
        if (c.toolThere) {
            EXPECT_EQ(s.scenario.File("C:\\Windows\\rstcli.exe"), "MZ older build");
        } else {
            EXPECT_FALSE(s.scenario.File("C:\\Windows\\rstcli.exe").has_value());
        }
    }
}

}  // namespace

namespace {

// The bundled machine's rstcli report names its three drives.
TEST(DiskScan, BundledMachineReportsItsDrivesToIrst) {
    Scenario s = Scenario::FromExample("default");
    RunContext ctx(s.Os());
    ctx.g_strAppDir = "C:\\VOLKIT\\";
    ScanDisks(ctx);
    ASSERT_EQ(ctx.disks.DiskCount, 3);
    ASSERT_EQ(ctx.rst.RstDiskCount, 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NE(ctx.disks.DiskTable[i].serial.find(ctx.rst.RstDiskTable[i].serial),
                  std::string::npos)
            << i;
        EXPECT_TRUE(text::EqualsNoCase(ctx.disks.DiskTable[i].model, ctx.rst.RstDiskTable[i].model))
            << i;
    }
    EXPECT_EQ(ctx.rst.RstDiskTable[0].systemDiskText, "yes");
    EXPECT_EQ(ctx.disks.DiskTable[0].osDiskFlag, 1);
    EXPECT_EQ(ctx.disks.SystemDiskNumber, 0);
}

}  // namespace

namespace {

TEST(WriteBinaryResource, WritesTheResourceOrAnEmptyFileAndFailsOnlyWhenItCannotCreate) {
    struct Case {
        unsigned id;
        const char* path;
        bool written;
        std::optional<std::string> content;
    };
    const Case cases[] = {
        {145, "C:\\Windows\\rstcli.exe", true, "rstcli 14.8.0.1042 (simulated)"},
        {144, "C:\\Windows\\rstcli.exe", true, ""},  // not carried: an empty file
        {145, "C:\\No such folder\\rstcli.exe", false, std::nullopt},
    };
    for (const Case& c : cases) {
        Scan s(ScanMachine());
        EXPECT_EQ(WriteBinaryResource(s.ctx, c.id, c.path), c.written) << c.id << " " << c.path;
        EXPECT_EQ(s.scenario.File(c.path), c.content) << c.id << " " << c.path;
    }
}

}  // namespace
