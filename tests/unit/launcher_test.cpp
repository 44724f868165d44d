#include "app/launcher.h"

#include <gtest/gtest.h>

#include "app/run_context.h"
#include "fake_os.h"
#include "support/test_os.h"

namespace {

class Launcher : public testing::Test {
  protected:
    fake::Machine machine;
    RunContext ctx{machine.os};
};

TEST_F(Launcher, LaunchArmsPollTimerAndWaitsForInputIdle) {
    machine.processes.nextRunTime = 5000;
    EXPECT_TRUE(LaunchHidden(ctx, "setuprst157.exe -s -b"));
    ASSERT_EQ(machine.processes.programs.size(), 1u);
    EXPECT_EQ(machine.processes.programs[0].commandLine, "setuprst157.exe -s -b");
    EXPECT_EQ(machine.processes.inputIdleBounds, std::vector<std::uint32_t>{10000});
    EXPECT_EQ(ctx.g_dwChildExitCode, os::kStillActive);
    EXPECT_EQ(machine.windowing.timers, (std::map<unsigned, std::uint32_t>{{0, 3000}}));
}

TEST_F(Launcher, FailedStartArmsNothing) {
    machine.processes.startFails = true;
    ctx.g_piChild = 5;
    EXPECT_FALSE(LaunchHidden(ctx, "missing.exe"));
    EXPECT_EQ(ctx.g_piChild, 0u);
    EXPECT_TRUE(machine.windowing.timers.empty());
    EXPECT_TRUE(machine.windowing.boxes.empty());
}

// Drives the timer as the message loop would: one tick every 3 s.
std::vector<std::uint64_t> TickUntilQuiet(RunContext& ctx, fake::Machine& machine, int ticks) {
    std::vector<std::uint64_t> rebootTimes;
    for (int i = 0; i < ticks && !machine.windowing.timers.empty(); ++i) {
        machine.clock.Sleep(3000);
        const std::size_t before = machine.system.exitWindowsFlags.size();
        OnChildTimer(ctx);
        if (machine.system.exitWindowsFlags.size() != before) {
            rebootTimes.push_back(machine.clock.now);
        }
    }
    return rebootTimes;
}

TEST_F(Launcher, RestartComesOnTheTickAfterTheProgramEnded) {
    machine.processes.nextRunTime = 5000;
    machine.processes.nextExitCode = 3010;
    ASSERT_TRUE(LaunchHidden(ctx, "setuprst157.exe -s -b"));
    ctx.g_nRestartFlag = 1;
    const auto reboots = TickUntilQuiet(ctx, machine, 10);
    // Ticks at 3 s (still running after a 1 s wait), 7 s (has ended at 5 s: exit code read),
    // 10 s (restart after one more second).
    ASSERT_EQ(reboots.size(), 1u);
    EXPECT_EQ(reboots[0], 11000u);
    EXPECT_LE(reboots[0] - 5000, 7000u) << "within about 7 s of the program's end";
    EXPECT_EQ(machine.system.exitWindowsFlags, std::vector<std::uint32_t>{os::kEwxReboot});
    EXPECT_EQ(ctx.g_dwChildExitCode, 3010u);
    EXPECT_TRUE(machine.windowing.timers.empty());
    EXPECT_TRUE(machine.processes.programs[0].closed);
}

TEST_F(Launcher, NoRestartWithoutTheFlagAndAStrayTickDoesNothing) {
    machine.processes.nextRunTime = 100;
    ASSERT_TRUE(LaunchHidden(ctx, "msiexec.exe /x {A} /quiet "));
    EXPECT_TRUE(TickUntilQuiet(ctx, machine, 10).empty());
    EXPECT_TRUE(machine.windowing.timers.empty());
    EXPECT_TRUE(machine.processes.programs[0].closed);
    // A tick already queued when the timer was killed: no second close, no restart.
    ctx.g_nRestartFlag = 1;
    EXPECT_NO_THROW(OnChildTimer(ctx));
    EXPECT_TRUE(machine.system.exitWindowsFlags.empty());
}

TEST_F(Launcher, WaitForProgramEndsWhenTheProgramEnds) {
    struct Case {
        std::uint64_t runTime;
        std::uint32_t bound;
        bool ended;
        std::uint64_t elapsed;
    };
    const Case cases[] = {
        {2500, 30000, true, 2500}, {0, 30000, true, 0}, {40000, 30000, false, 30000}};
    for (const Case& c : cases) {
        fake::Machine m;
        RunContext run(m.os);
        m.processes.nextRunTime = c.runTime;
        const os::ProcessHandle process = m.processes.StartHidden("diskpart /s clrssd.txt");
        EXPECT_EQ(WaitForProgram(run, process, c.bound), c.ended) << c.runTime;
        EXPECT_EQ(m.clock.now, c.elapsed) << c.runTime;
        EXPECT_FALSE(m.processes.programs[0].closed) << "closes nothing";
    }
    EXPECT_FALSE(WaitForProgram(ctx, 0, 1000));
    EXPECT_EQ(machine.clock.now, 0u);
}

struct PrivilegeCase {
    const char* name;
    std::uint32_t major;
    bool versionWorks, tokenOpens, privilegeFound, adjustSucceeds;
    std::uint32_t errorAfterAdjust;
    bool result;
    const char* boxText;  // nullptr: no message box
    const char* boxCaption;
    std::uint32_t boxStyle;
};

void PrintTo(const PrivilegeCase& c, std::ostream* out) {
    *out << c.name;
}

class ShutdownPrivilege : public testing::TestWithParam<PrivilegeCase> {};

TEST_P(ShutdownPrivilege, ResultAndMessage) {
    const PrivilegeCase& c = GetParam();
    for (bool enable : {true, false}) {
        fake::Machine machine;
        machine.system.version.majorVersion = c.major;
        machine.system.version.platformId = 2;
        machine.system.exSizeWorks = machine.system.plainSizeWorks = c.versionWorks;
        machine.system.tokenOpens = c.tokenOpens;
        machine.system.privilegeFound = c.privilegeFound;
        machine.system.adjustSucceeds = c.adjustSucceeds;
        machine.system.errorAfterAdjust = c.errorAfterAdjust;
        RunContext ctx(machine.os);
        EXPECT_EQ(EnableShutdownPrivilege(ctx, enable), c.result);
        if (c.boxText == nullptr) {
            EXPECT_TRUE(machine.windowing.boxes.empty());
        } else {
            ASSERT_EQ(machine.windowing.boxes.size(), 1u);
            EXPECT_EQ(machine.windowing.boxes[0].text, c.boxText);
            EXPECT_EQ(machine.windowing.boxes[0].caption, c.boxCaption);
            EXPECT_EQ(machine.windowing.boxes[0].style, c.boxStyle);
        }
        EXPECT_EQ(machine.system.tokensOpen, 0) << "the token is closed";
        if (!machine.system.adjustAttributes.empty()) {
            EXPECT_EQ(machine.system.adjustAttributes[0], enable ? os::kSePrivilegeEnabled : 0u);
        }
        if (c.major != 5) {
            EXPECT_TRUE(machine.system.adjustAttributes.empty());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ShutdownPrivilege,
    testing::Values(
        PrivilegeCase{"XpAdjusted", 5, true, true, true, true, 0, true, nullptr, nullptr, 0},
        PrivilegeCase{"XpNotAllAssigned", 5, true, true, true, true, 1300, false,
                      "The operation failed with error 0x00000514.", "Error", os::kMbIconError},
        PrivilegeCase{"XpAdjustFails", 5, true, true, true, false, 6, false,
                      "The operation failed with error 0x00000006.", "Error", os::kMbIconError},
        PrivilegeCase{"XpTokenFails", 5, true, false, true, true, 0, false,
                      "The operation failed with error 0x00000005.", "Error", os::kMbIconError},
        PrivilegeCase{"XpLookupFails", 5, true, true, false, true, 0, false,
                      "The operation failed with error 0x00000521.", "Error", os::kMbIconError},
        PrivilegeCase{"VistaAndLater", 6, true, true, true, true, 0, false, nullptr, nullptr, 0},
        PrivilegeCase{"NoVersion", 5, false, true, true, true, 0, false, "Message",
                      "Check OS type Error !", os::kMbOk}));

}  // namespace

// The same routines against the test machine (the real Win32 seam under Wine).
TEST(LauncherOnTestOs, MissingProgramStartsNothingAndWaitsEndWithTheProgram) {
    std::unique_ptr<TestOs> testOs = MakeTestOs();
    RunContext ctx(testOs->Os());
    EXPECT_FALSE(LaunchHidden(ctx, "volkit-no-such-program.exe /x"));
    EXPECT_EQ(ctx.g_piChild, 0u);

    const os::ProcessHandle process = testOs->Os().processes.StartHidden("cmd.exe /c exit 3");
    ASSERT_NE(process, 0u);
    const std::uint64_t before = testOs->Os().clock.NowMilliseconds();
    EXPECT_TRUE(WaitForProgram(ctx, process, 60000));
    EXPECT_LT(testOs->Os().clock.NowMilliseconds() - before, 30000u)
        << "the wait ends with the program, not at its bound";
    std::uint32_t code = os::kStillActive;
    EXPECT_TRUE(testOs->Os().processes.ExitCode(process, &code));
    EXPECT_NE(code, os::kStillActive);
    testOs->Os().processes.CloseProcess(process);
}
