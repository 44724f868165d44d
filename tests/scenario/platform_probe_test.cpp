// The controller scan and the PCH-mode reading on simulated boards: what the report writer gets
// from them, and what they leave behind (thread affinity, library references).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/run_context.h"
#include "platform/pch_mode.h"
#include "platform/pci.h"
#include "support/scenario.h"

namespace {

// A B85 board: host bridge, VGA, a USB controller, the LPC bridge and the SATA controller of the
// given class at 0:31.2, plus what else the test adds.
std::string Board(const std::string& sataClass, const std::string& more = "",
                  const std::string& pch = R"({"modes": "IDE:AHCI:RAID", "current": "AHCI"})",
                  const std::string& zormMissing = "") {
    return R"({"processors": 4, "libraries": {"qvx.dll": {}, "zorm.dll": {"missing": [)" +
           zormMissing + R"(]}}, "pch": )" + pch + R"(, "pci": [
        {"bus": 0, "device": 0, "function": 0, "id": "0x0C008086", "class": "0x060000"},
        {"bus": 0, "device": 2, "function": 0, "id": "0x04128086", "class": "0x030001"},
        {"bus": 0, "device": 20, "function": 0, "id": "0x8C318086", "class": "0x0C0330"},
        {"bus": 0, "device": 31, "function": 0, "id": "0x8C508086", "class": "0x060100"},
        {"bus": 0, "device": 31, "function": 2, "id": "0x8C028086", "class": ")" +
           sataClass + "\"}" + more + "]}";
}

std::vector<std::string> Details(Scenario& s, const std::string& kind) {
    std::vector<std::string> out;
    for (const sim::JournalEntry& e : s.Machine().Journal()) {
        if (e.kind == kind) out.push_back(e.detail);
    }
    return out;
}

TEST(ControllerScan, FindsTheSataModeAndGivesBackAffinityAndLibrary) {
    struct Case {
        const char* what;
        std::string board;
        const char* result;
    };
    const Case cases[] = {
        {"AHCI", Board("0x010601"), "AHCI Controller"},
        {"RAID", Board("0x010400"), "RAID Controller"},
        {"native IDE, then an add-in IDE card on bus 3", Board("0x01018F", R"(,
            {"bus": 3, "device": 0, "function": 0, "id": "0x0680109B", "class": "0x010101"})"),
         "IDE Controller"},
        {"NVMe only", Board("0x010802"), "0"},
    };
    for (const Case& c : cases) {
        Scenario s(c.board);
        RunContext ctx(s.Os());
        EXPECT_EQ(platform::DetectSataController(ctx), c.result) << c.what;
        EXPECT_EQ(Details(s, "thread.affinity"), (std::vector<std::string>{"1", "15"})) << c.what;
        EXPECT_EQ(Details(s, "library.free"), std::vector<std::string>{"qvx.dll"}) << c.what;
    }
}

TEST(ControllerScan, ChipsetIdentifiersThroughTheDispatchersLibrary) {
    Scenario s(Board("0x010601"));
    RunContext ctx(s.Os());
    ctx.portIoLibrary = outside::LoadPortIo(ctx.os.libraries, &ctx.portIo);
    ASSERT_NE(ctx.portIoLibrary, 0u);
    const std::uint32_t chipset = platform::ReadChipsetId(ctx);
    EXPECT_EQ(chipset, 0x8C508086u);
    EXPECT_EQ(platform::ReadSataFunctionId(ctx), 0x8C028086u);
    EXPECT_TRUE(platform::IsMember(platform::BChipIds, chipset));
    EXPECT_TRUE(platform::IsMember(platform::ListedChipIds, chipset));
    EXPECT_FALSE(platform::IsMember(platform::HChipIds, chipset));
}

TEST(ControllerScan, TheBundledMachineIsAnAhciB85) {
    Scenario s = Scenario::FromExample("default");
    RunContext ctx(s.Os());
    EXPECT_EQ(platform::DetectSataController(ctx), "AHCI Controller");
    const std::vector<std::string> reads = Details(s, "pci.read");
    ASSERT_FALSE(reads.empty());
    EXPECT_EQ(reads.back(), "0:31.2 reg 8 = 01060104");
    const platform::PchModeReading modes = platform::ReadPchModes(ctx);
    EXPECT_EQ(modes.status, platform::PchModeStatus::Ok);
    EXPECT_TRUE(modes.ideAllowed && modes.ahciAllowed && modes.raidAllowed);
    EXPECT_EQ(modes.current, platform::PchMode::Ahci);
}

TEST(PchModes, ReadFromTheBoardsLibrary) {
    struct Case {
        const char* what;
        std::string board;
        platform::PchModeStatus status;
        bool raidAllowed;
        platform::PchMode current;
    };
    using platform::PchMode;
    using platform::PchModeStatus;
    const Case cases[] = {
        {"all modes", Board("0x010601"), PchModeStatus::Ok, true, PchMode::Ahci},
        {"no RAID", Board("0x010601", "", R"({"modes": "IDE:AHCI", "current": "IDE"})"),
         PchModeStatus::Ok, false, PchMode::Ide},
        {"not ready", Board("0x010601", "", R"({"initial": 5})"), PchModeStatus::InitFailed, false,
         PchMode::None},
        {"empty list", Board("0x010601", "", R"({"modes": ""})"), PchModeStatus::NoModeList, false,
         PchMode::None},
        {"no SaveToBios", Board("0x010601", "", "{}", R"("SaveToBios")"),
         PchModeStatus::ExportMissing, false, PchMode::None},
    };
    for (const Case& c : cases) {
        Scenario s(c.board);
        RunContext ctx(s.Os());
        const platform::PchModeReading reading = platform::ReadPchModes(ctx);
        EXPECT_EQ(reading.status, c.status) << c.what;
        EXPECT_EQ(reading.raidAllowed, c.raidAllowed) << c.what;
        EXPECT_EQ(reading.current, c.current) << c.what;
        EXPECT_TRUE(Details(s, "pch.saved").empty()) << c.what;
    }
}

}  // namespace
