#include "platform/pch_mode.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "probe_fake_os.h"

namespace {

using platform::PchMode;
using platform::PchModeRequest;
using platform::PchModeStatus;
using probe_test::Entry;
using probe_test::FakeMachine;

// The PCH-mode library's state and every call made to it.
struct FakeZorm {
    std::string modeList;  // copied as raw bytes, so it may lack a NUL
    std::string current;
    int initialResult = 0;
    std::vector<std::string> calls;
};
FakeZorm* g_zorm = nullptr;

void Fill(char* buffer, int size, const std::string& value) {
    std::memcpy(buffer, value.data(), std::min(value.size(), static_cast<std::size_t>(size)));
}
int Initial() {
    g_zorm->calls.push_back("Initial");
    return g_zorm->initialResult;
}
int GetAllMode(char* buffer, int size) {
    g_zorm->calls.push_back("GetAllMode " + std::to_string(size));
    Fill(buffer, size, g_zorm->modeList);
    return 0;
}
int GetPchMode(char* buffer, int size) {
    g_zorm->calls.push_back("GetPchMode " + std::to_string(size));
    Fill(buffer, size, g_zorm->current);
    return 0;
}
int SetPchMode(int position) {
    g_zorm->calls.push_back("SetPchMode " + std::to_string(position));
    return 0;
}
int SaveToBios() {
    g_zorm->calls.push_back("SaveToBios");
    return 0;
}

class PchModeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_zorm = &zorm;
        machine.libraries.libraries["zorm.dll"] = {{"Initial", Entry(Initial)},
                                                   {"GetPchMode", Entry(GetPchMode)},
                                                   {"SetPchMode", Entry(SetPchMode)},
                                                   {"GetAllMode", Entry(GetAllMode)},
                                                   {"SaveToBios", Entry(SaveToBios)}};
    }
    void TearDown() override { g_zorm = nullptr; }

    FakeZorm zorm;
    FakeMachine machine;
};

using Calls = std::vector<std::string>;

TEST_F(PchModeTest, ReadingStopsAtTheFirstFailureWithItsStatus) {
    struct Case {
        const char* what;
        const char* removed;  // entry point taken away, or the whole library ("zorm.dll")
        int initialResult;
        const char* modeList;
        PchModeStatus status;
        Calls calls;
    };
    const Case cases[] = {
        {"no library", "zorm.dll", 0, "IDE:AHCI", PchModeStatus::LibraryMissing, {}},
        {"no Initial", "Initial", 0, "IDE:AHCI", PchModeStatus::ExportMissing, {}},
        {"no GetPchMode", "GetPchMode", 0, "IDE:AHCI", PchModeStatus::ExportMissing, {}},
        {"no SetPchMode", "SetPchMode", 0, "IDE:AHCI", PchModeStatus::ExportMissing, {}},
        {"no GetAllMode", "GetAllMode", 0, "IDE:AHCI", PchModeStatus::ExportMissing, {}},
        {"no SaveToBios", "SaveToBios", 0, "IDE:AHCI", PchModeStatus::ExportMissing, {}},
        {"Initial fails", "", 3, "IDE:AHCI", PchModeStatus::InitFailed, {"Initial"}},
        {"empty list", "", 0, "", PchModeStatus::NoModeList, {"Initial", "GetAllMode 64"}},
        {"ready",
         "",
         0,
         "IDE:AHCI",
         PchModeStatus::Ok,
         {"Initial", "GetAllMode 64", "GetPchMode 32"}},
    };
    for (const Case& c : cases) {
        FakeMachine m;
        m.libraries.libraries = machine.libraries.libraries;
        if (std::string(c.removed) == "zorm.dll") {
            m.libraries.libraries.clear();
        } else {
            m.libraries.libraries["zorm.dll"].erase(c.removed);
        }
        zorm = FakeZorm{c.modeList, "AHCI", c.initialResult, {}};

        EXPECT_EQ(platform::ReadPchModes(m.ctx).status, c.status) << c.what;
        EXPECT_EQ(zorm.calls, c.calls) << c.what;
        if (c.status == PchModeStatus::ExportMissing) {
            EXPECT_NE(m.LogText().find(c.removed), std::string::npos) << c.what;
        }
    }
}

TEST_F(PchModeTest, AllowedModesIgnoreCaseButTheCurrentModeDoesNot) {
    struct Case {
        std::string modeList;
        std::string current;
        bool ide, ahci, raid;
        PchMode mode;
    };
    const Case cases[] = {
        {"IDE:AHCI:RAID", "AHCI", true, true, true, PchMode::Ahci},
        {"ide:ahci:raid", "RAID", true, true, true, PchMode::Raid},
        {"AHCI:RAID", "Raid", false, true, true, PchMode::None},
        {"IDE:RAID", "IDE RAID", true, false, true, PchMode::Ide},
        {"RAID:AHCI", "AHCI RAID", false, true, true, PchMode::Raid},
        {"AHCI:IDE", "[AHCI]", true, true, false, PchMode::Ahci},
        {"AHCI", "ahci", false, true, false, PchMode::None},
        {"Raid:Ahci", "", false, true, true, PchMode::None},
        // A library that fills every byte and leaves no NUL: only the buffer is read.
        {std::string(60, 'x') + "RAID" + "IDE", std::string(28, 'y') + "AHCI" + "IDE", false, false,
         true, PchMode::Ahci},
    };
    for (const Case& c : cases) {
        zorm = FakeZorm{c.modeList, c.current, 0, {}};
        const platform::PchModeReading reading = platform::ReadPchModes(machine.ctx);
        ASSERT_EQ(reading.status, PchModeStatus::Ok) << c.modeList;
        EXPECT_EQ(reading.ideAllowed, c.ide) << c.modeList;
        EXPECT_EQ(reading.ahciAllowed, c.ahci) << c.modeList;
        EXPECT_EQ(reading.raidAllowed, c.raid) << c.modeList;
        EXPECT_EQ(reading.current, c.mode) << c.modeList << " / " << c.current;
    }
}

TEST(PchModePositions, FollowTheFirstLetterAndTheLetterAfterTheSeparator) {
    constexpr int u = -1;  // undetermined
    struct Case {
        std::string modeList;
        int ide, ahci, raid;
    };
    const Case cases[] = {
        {"IDE:RAID:AHCI", 0, 2, 1},
        {"IDE:AHCI:RAID", 0, 1, 2},
        {"AHCI:RAID:IDE", 2, 0, 1},
        {"AHCI:IDE:RAID", 1, 0, 2},
        {"RAID:IDE:AHCI", 1, 2, 0},
        {"RAID:AHCI:IDE", 2, 1, 0},
        {"AHCI:RAID", 2, 0, 1},
        {"ide:ahci:raid", u, u, 0},  // the letters are compared exactly
        {"IDE:ahci:RAID", 0, u, u},
        {"IDE", 0, u, u},  // no separator
        {"AHCI:", u, 0, u},
        {"IDE:IDE", 0, u, u},  // second letter the first letter's rows do not expect
        {"RAID:RAID", u, u, 0},
        {":IDE:AHCI", 1, 2, 0},  // a leading separator is the separator
        {"", u, u, 0},
        {std::string("IDE\0:AHCI", 9), 0, u, u},  // nothing after the NUL counts
    };
    auto shown = [](const std::optional<int>& p) { return p ? *p : -1; };
    for (const Case& c : cases) {
        const platform::PchModePositions p = platform::PchModePositionsOf(c.modeList);
        EXPECT_EQ(shown(p.ide), c.ide) << c.modeList;
        EXPECT_EQ(shown(p.ahci), c.ahci) << c.modeList;
        EXPECT_EQ(shown(p.raid), c.raid) << c.modeList;
    }
}

TEST_F(PchModeTest, SwitchSelectsAndSavesOnlyAPositionThatNamesTheRequestedMode) {
    const Calls reads = {"Initial", "GetAllMode 64", "GetPchMode 32"};
    auto selected = [&](int position) {
        Calls calls = reads;
        calls.push_back("SetPchMode " + std::to_string(position));
        calls.push_back("SaveToBios");
        return calls;
    };
    struct Case {
        std::string modeList;
        PchModeRequest request;
        int initialResult;
        Calls calls;
    };
    const Case cases[] = {
        {"IDE:RAID:AHCI", PchModeRequest::Ahci, 0, selected(2)},
        {"IDE:RAID:AHCI", PchModeRequest::Raid, 0, selected(1)},
        {"IDE:RAID:AHCI", PchModeRequest::Ide, 0, selected(0)},
        {"AHCI:RAID", PchModeRequest::Raid, 0, selected(1)},
        {"AHCI:RAID", PchModeRequest::Ahci, 0, selected(0)},
        {"RAID:AHCI:IDE", PchModeRequest::Ide, 0, selected(2)},
        {"IDE:AHCI:RAID", PchModeRequest::Raid, 7, selected(2)},  // Initial's result not examined
        // Position 2 of a two-entry list does not exist.
        {"AHCI:RAID", PchModeRequest::Ide, 0, reads},
        // Position 0 is the IDE entry, whatever the first-letter rule says.
        {"ide:ahci:raid", PchModeRequest::Raid, 0, reads},
        {"ide:ahci:raid", PchModeRequest::Ide, 0, reads},
        {"IDE", PchModeRequest::Ahci, 0, reads},
        {"IDE", PchModeRequest::Ide, 0, selected(0)},
        {"", PchModeRequest::Raid, 0, reads},
    };
    for (const Case& c : cases) {
        zorm = FakeZorm{c.modeList, "IDE", c.initialResult, {}};
        platform::SwitchPchMode(machine.ctx, c.request);
        EXPECT_EQ(zorm.calls, c.calls) << c.modeList << " request " << static_cast<int>(c.request);
    }
}

TEST_F(PchModeTest, SwitchWithoutLibraryOrEntryPointCallsNothingAndSaysWhy) {
    machine.libraries.libraries["zorm.dll"].erase("SaveToBios");
    zorm = FakeZorm{"IDE:AHCI:RAID", "IDE", 0, {}};
    platform::SwitchPchMode(machine.ctx, PchModeRequest::Ahci);
    EXPECT_TRUE(zorm.calls.empty());
    EXPECT_NE(machine.LogText().find("SaveToBios missing"), std::string::npos) << machine.LogText();

    FakeMachine bare;
    platform::SwitchPchMode(bare.ctx, PchModeRequest::Raid);
    EXPECT_TRUE(zorm.calls.empty());
    EXPECT_NE(bare.LogText().find("zorm.dll cannot be loaded"), std::string::npos)
        << bare.LogText();
}

TEST_F(PchModeTest, SwitchLogsWhyAnUndeterminedPositionIsNotSelected) {
    zorm = FakeZorm{"IDE", "IDE", 0, {}};
    platform::SwitchPchMode(machine.ctx, PchModeRequest::Raid);
    EXPECT_NE(machine.LogText().find("undetermined"), std::string::npos) << machine.LogText();
}

}  // namespace
