// RAID creation (-func11, -func12, -func15), acceleration (-func9, -func13, -func14) and the SSD
// wipe with acceleration (-func10) on simulated PCs: the rstcli commands in their order, the
// virtual time between them (each wait ends when rstcli ends, at the latest at its bound), the
// wipe's files and its diskpart, and the requests that are refused with nothing started.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/scenario.h"

namespace {

using Json = nlohmann::json;

// A 64-bit Windows 7 PC with four disks, Windows on disk 0 (C:), the given IRST release, and
// every rstcli build carried. rstcli runs rstcliMs per command, diskpart diskpartMs.
Json RaidMachine(const std::string& release, int rstcliMs = 3000, int diskpartMs = 4000) {
    Json drives = Json::array();
    for (int i = 0; i < 4; ++i) {
        drives.push_back({{"serial", "SERIAL" + std::to_string(i)},
                          {"model", "Disk " + std::to_string(i)},
                          {"sectors", 976773168}});
    }
    Json tools = Json::object();
    for (const char* id : {"140", "142", "143", "145", "146", "147", "148"}) {
        tools[id] = {{"text", std::string("MZ rstcli build ") + id}};
    }
    return Json{
        {"registry", {{"HKLM\\SOFTWARE\\Intel\\IRST", {{"LastKitInstalled", release}}}}},
        {"libraries", {{"qvx.dll", {{"place", "program"}}}}},
        {"resources", {{"BINARY", tools}}},
        {"logicalDrives", {"C"}},
        {"volumes", {{"C", {{"disk", 0}, {"partition", 2}}}}},
        {"drives", drives},
        {"programs",
         {{"rstcli", {{"durationMs", rstcliMs}}}, {"diskpart", {{"durationMs", diskpartMs}}}}},
    };
}

// The virtual times of the journal entries of one kind, counted from the first of them.
std::vector<std::uint64_t> Offsets(Scenario& s, const std::string& kind) {
    std::vector<std::uint64_t> out;
    const std::vector<sim::JournalEntry> entries = s.Machine().JournalOf(kind);
    for (const sim::JournalEntry& e : entries) out.push_back(e.timeMs - entries.front().timeMs);
    return out;
}

std::string Log(const Scenario& s) {
    return s.File("C:\\VOLKIT\\volkit.log").value_or("");
}

struct OperationCase {
    const char* name;
    const char* release;
    const char* commandLine;
    std::vector<std::string> calls;        // rstcli's arguments, in order
    std::vector<std::uint64_t> callTimes;  // virtual time of each call from the first
    const char* tool;                      // where rstcli is deployed and started from
};

class Operation : public testing::TestWithParam<OperationCase> {};

TEST_P(Operation, StartsRstcliWithEachCommandInOrderAndWaitsAtMostItsBound) {
    const OperationCase& c = GetParam();
    Scenario s(RaidMachine(c.release).dump());
    ASSERT_EQ(s.Run(c.commandLine), 0) << s.JournalText();
    EXPECT_EQ(s.Journal("rstcli.call"), c.calls) << s.JournalText();
    EXPECT_EQ(Offsets(s, "rstcli.call"), c.callTimes) << s.JournalText();
    for (const std::string& line : s.Journal("process.start")) {
        if (line.find("rstcli") != std::string::npos) {
            EXPECT_EQ(line.rfind(std::string(c.tool) + " ", 0), 0u) << line;
        }
    }
    EXPECT_TRUE(s.File(c.tool).has_value()) << "the tool was deployed to " << c.tool;
    EXPECT_TRUE(s.Journal("PROCESS.UNQUOTED-PATH").empty());
}

const std::string kVolumeOn =
    "--accelerate --setAccelConfig --volume-to-accel Volume_0000 --mode enhanced";
const std::string kVolumeOff =
    "--accelerate --setAccelConfig --volume-to-accel Volume_0000 --mode off";
const std::string kReset = "--accelerate --reset-to-available --cache-volume Cache_Volume";
const char* kRaidTool = "C:\\Windows\\rstcli.exe";
const char* kAccelTool = "C:\\VOLKIT\\rstcli.exe";

INSTANTIATE_TEST_SUITE_P(
    RaidAndAcceleration, Operation,
    testing::Values(
        OperationCase{"Raid0_148",
                      "14.8.0.1042",
                      "-func11 1,1,2,1",
                      {"-C -l 0 -E 0-1-0-0 -n VolumeWithData 0-2-0-0"},
                      {0},
                      kRaidTool},
        OperationCase{"Raid0_op15_148",
                      "14.8.0.1042",
                      "-func15 1,1,2,1",
                      {"-C -l 0 -E 0-1-0-0 -n VolumeWithData 0-2-0-0"},
                      {0},
                      kRaidTool},
        OperationCase{"Raid1_152",
                      "15.2.0.1008",
                      "-func12 1,1,2",
                      {"-C -l 1 -E 0-1-0-0 -n VolumeWithData 0-0-2-0"},
                      {0},
                      kRaidTool},
        OperationCase{"Raid0_157",
                      "15.7.0.1002",
                      "-func11 0-1-0-0_,0-2-0-0",
                      {"-C -l 0 -E 0-1-0-0 -n VolumeWithData 0-2-0-0"},
                      {0},
                      kRaidTool},
        OperationCase{"Raid1_155_SecondDisk",
                      "15.5.0.1044",
                      "-func12 0-1-0-0_0-3-0-0",
                      {"-C -l 1 -E 0-1-0-0 -n VolumeWithData 0-3-0-0"},
                      {0},
                      kRaidTool},
        OperationCase{"Raid1_157_WrittenAsRaid0",
                      "15.7.0.1002",
                      "-func12 0-1-0-0_,0-2-0-0",
                      {"-C -l 1 -E 0-1-0-0 -n VolumeWithData 0-2-0-0"},
                      {0},
                      kRaidTool},
        // rstcli runs 3 s: the 7 s waits end with it, the last 2 s wait at its bound.
        OperationCase{"AccelerateVolume_157",
                      "15.7.0.1002",
                      "-func13 2 Volume_0000",
                      {"--accelerate --createCache --SSD 0-2-0-0 --cache-size 20", kVolumeOn,
                       kVolumeOn, kVolumeOn},
                      {0, 3000, 6000, 9000},
                      kAccelTool},
        // The 1 s waits end at their bound while rstcli still runs.
        OperationCase{"DisableDisk_157",
                      "15.7.0.1002",
                      "-func9 1 2",
                      {"--accelerate --setAccelConfig --drive-to-accel 0-0-1-0 --mode off", kReset},
                      {0, 1000},
                      kAccelTool},
        OperationCase{"DisableDisk_136",
                      "13.6.0.1002",
                      "-func9 1 2",
                      {"--accelerate --setAccelConfig --disk-to-accel 0-1-0-0 --mode off", kReset},
                      {0, 1000},
                      kAccelTool},
        OperationCase{"DisableVolume",
                      "14.8.0.1042",
                      "-func14 Volume_0000",
                      {kVolumeOff, kVolumeOff, kVolumeOff, kReset, kReset, kReset, kReset},
                      {0, 1000, 2000, 3000, 4000, 5000, 6000},
                      kAccelTool},
        OperationCase{"DisableVolumeWithBlank",
                      "14.8.0.1042",
                      "-func14 My Volume",
                      {"--accelerate --setAccelConfig --volume-to-accel \"My Volume\" --mode off",
                       "--accelerate --setAccelConfig --volume-to-accel \"My Volume\" --mode off",
                       "--accelerate --setAccelConfig --volume-to-accel \"My Volume\" --mode off",
                       kReset, kReset, kReset, kReset},
                      {0, 1000, 2000, 3000, 4000, 5000, 6000},
                      kAccelTool},
        OperationCase{"WipeThenAccelerateDisk_148",
                      "14.8.0.1042",
                      "-func10 2 1 1 1 3",
                      {"--accelerate --createCache --SSD 0-2-0-0 --cache-size 20",
                       "--accelerate --setAccelConfig --disk-to-accel 0-1-0-0 --mode enhanced",
                       "--accelerate --setAccelConfig --disk-to-accel 0-1-0-0 --mode enhanced",
                       "--accelerate --setAccelConfig --disk-to-accel 0-1-0-0 --mode enhanced"},
                      {0, 3000, 6000, 9000},
                      kAccelTool},
        OperationCase{"WipeThenAccelerateDisk_155",
                      "15.5.0.1044",
                      "-func10 2 3 1 2 3",
                      {"--accelerate --createCache --fast-drive 0-0-0-2 --cache-size 20",
                       "--accelerate --setAccelConfig --drive-to-accel 0-0-1-0 --mode enhanced",
                       "--accelerate --setAccelConfig --drive-to-accel 0-0-1-0 --mode enhanced",
                       "--accelerate --setAccelConfig --drive-to-accel 0-0-1-0 --mode enhanced"},
                      {0, 3000, 6000, 9000},
                      kAccelTool}),
    [](const testing::TestParamInfo<OperationCase>& param) { return param.param.name; });

TEST(WipeThenAccelerateDisk, CacheIsCreatedOnlyAfterDiskpartHasCleanedTheSsd) {
    Scenario s(RaidMachine("14.8.0.1042").dump());
    ASSERT_EQ(s.Run("-func10 2 1 1 1 3"), 0) << s.JournalText();
    EXPECT_EQ(s.File("C:\\VOLKIT\\clrssd.txt"), "sel disk 3\r\nclean\r\n");
    EXPECT_EQ(s.File("C:\\VOLKIT\\clr_ssd.bat"), "diskpart /s clrssd.txt >c1.txt");
    const std::vector<sim::JournalEntry> wipes = s.Machine().JournalOf("disk.wipe");
    const std::vector<sim::JournalEntry> calls = s.Machine().JournalOf("rstcli.call");
    ASSERT_EQ(wipes.size(), 1u) << s.JournalText();
    EXPECT_EQ(wipes[0].detail, "disk 3");
    ASSERT_FALSE(calls.empty());
    EXPECT_GE(calls[0].timeMs, wipes[0].timeMs) << "the cache came before the wipe had ended";
    // The batch was started and awaited (diskpart runs 4 s), not slept past.
    const std::vector<sim::JournalEntry> starts = s.Machine().JournalOf("process.start");
    ASSERT_FALSE(starts.empty());
    EXPECT_EQ(starts[0].detail, "C:\\VOLKIT\\clr_ssd.bat");
    EXPECT_EQ(calls[0].timeMs - starts[0].timeMs, 4000u);
}

TEST(WipeThenAccelerateDisk, DiskpartThatOutlastsItsBoundLeavesTheCacheUncreated) {
    Scenario s(RaidMachine("14.8.0.1042", 3000, 90000).dump());
    EXPECT_EQ(s.Run("-func10 2 1 1 1 3"), 1) << s.JournalText();
    EXPECT_TRUE(s.Journal("rstcli.call").empty()) << s.JournalText();
    EXPECT_EQ(s.Machine().Now(), 60000u) << "waited exactly the wipe's bound";
    EXPECT_NE(Log(s).find("no cache is created"), std::string::npos) << Log(s);
}

TEST(WipeThenAccelerateDisk, ScriptThatCannotBeWrittenStartsNothing) {
    Json machine = RaidMachine("14.8.0.1042");
    machine["folders"] = {"C:\\VOLKIT\\clrssd.txt"};  // a folder stands where the script goes
    Scenario s(machine.dump());
    EXPECT_EQ(s.Run("-func10 2 1 1 1 3"), 1) << s.JournalText();
    EXPECT_TRUE(s.Journal("process.start").empty()) << s.JournalText();
    EXPECT_TRUE(s.Journal("disk.wipe").empty());
}

struct RefusalCase {
    const char* name;
    const char* release;
    const char* commandLine;
    const char* reason;  // a piece of the logged reason
};

class Refused : public testing::TestWithParam<RefusalCase> {};

TEST_P(Refused, EndsWithExitCodeTwoAndNothingStartedOrWritten) {
    const RefusalCase& c = GetParam();
    Scenario s(RaidMachine(c.release).dump());
    EXPECT_EQ(s.Run(c.commandLine), 2) << s.JournalText();
    EXPECT_TRUE(s.Journal("process.start").empty()) << s.JournalText();
    EXPECT_TRUE(s.Journal("process.start-failed").empty()) << s.JournalText();
    EXPECT_TRUE(s.Journal("file.write").empty()) << s.JournalText();
    EXPECT_TRUE(s.Journal("disk.wipe").empty());
    const std::string log = Log(s);
    EXPECT_NE(log.find("refused: "), std::string::npos) << log;
    EXPECT_NE(log.find(c.reason), std::string::npos) << log;
}

INSTANTIATE_TEST_SUITE_P(
    BadRequests, Refused,
    testing::Values(
        RefusalCase{"WipeWithoutDiskNumber", "14.8.0.1042", "-func10 2 1 1 1", "no number"},
        RefusalCase{"WipeOfTheWindowsDisk", "14.8.0.1042", "-func10 2 1 1 1 0",
                    "holds the Windows directory's drive"},
        RefusalCase{"CacheFormFour", "15.5.0.1044", "-func10 2 4 1 1 3", "not 1, 2 or 3"},
        RefusalCase{"DiskOffFormZero", "15.2.0.1008", "-func9 1 0", "not 1, 2 or 3"},
        RefusalCase{"Raid0FurtherDiskWithoutForm", "14.8.0.1042", "-func11 1,1,", "no port form"},
        RefusalCase{"Raid0FurtherDiskWithoutSeparator", "14.8.0.1042", "-func15 1,1,2",
                    "no port form"},
        RefusalCase{"Raid0FirstPortOnly", "14.8.0.1042", "-func11 1", "before its port form"},
        RefusalCase{"Raid0Form152", "15.2.0.1008", "-func11 1,5,2,1", "not 1, 2 or 3"},
        RefusalCase{"Raid1NoSecondDisk", "14.8.0.1042", "-func12 1,1", "no second disk"},
        RefusalCase{"Raid1FullIdNoSecondDisk", "15.7.0.1002", "-func12 0-1-0-0_,",
                    "no second disk"},
        RefusalCase{"FullIdWithoutUnderscore", "15.7.0.1002", "-func11 0-1-0-0", "\"_\""},
        RefusalCase{"VolumeNameWithQuote", "14.8.0.1042", "-func13 2 Vol\"ume", "double quote"},
        RefusalCase{"EmptyVolumeName", "14.8.0.1042", "-func14 ", "empty"}),
    [](const testing::TestParamInfo<RefusalCase>& param) { return param.param.name; });

TEST(Refused, WipeWhenTheWindowsDiskCannotBeFound) {
    Json machine = RaidMachine("14.8.0.1042");
    machine.erase("volumes");  // C: opens but does not tell its disk
    Scenario s(machine.dump());
    EXPECT_EQ(s.Run("-func10 2 1 1 1 3"), 2) << s.JournalText();
    EXPECT_TRUE(s.Journal("process.start").empty());
    EXPECT_TRUE(s.Journal("file.write").empty());
    EXPECT_NE(Log(s).find("disk of the Windows drive is unknown"), std::string::npos) << Log(s);
}

}  // namespace
