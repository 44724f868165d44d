// The acceleration, wipe and RAID routines against a scripted machine: what they start, in which
// order, how long they wait for each rstcli, and what they refuse before starting anything.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/run_context.h"
#include "common/refusal.h"
#include "fake_os.h"
#include "irst/acceleration.h"
#include "irst/raid.h"

namespace {

// A machine whose volume "\\.\C:" answers IOCTL_STORAGE_GET_DEVICE_NUMBER with a disk number.
class Devices : public fake::Devices {
  public:
    bool volumeOpens = true;
    std::vector<std::uint8_t> answer = {7, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0};  // disk 0
    std::string opened;
    int open = 0;

    os::DeviceHandle OpenDevice(const std::string& path, std::uint32_t, std::uint32_t) override {
        opened = path;
        if (!volumeOpens) return 0;
        ++open;
        return 9;
    }
    bool IoControl(os::DeviceHandle device, std::uint32_t code, const std::vector<std::uint8_t>&,
                   std::vector<std::uint8_t>* out, std::uint32_t* returned) override {
        if (device != 9 || code != os::kIoctlStorageGetDeviceNumber) return false;
        const std::size_t n = std::min(out->size(), answer.size());
        std::copy(answer.begin(), answer.begin() + static_cast<std::ptrdiff_t>(n), out->begin());
        *returned = static_cast<std::uint32_t>(n);
        return true;
    }
    void CloseDevice(os::DeviceHandle) override { --open; }
};

class AccelerationRun : public testing::Test {
  protected:
    AccelerationRun() {
        machine.files.currentDirectory = "C:\\VOLKIT";
        os_ = std::make_unique<os::Os>(os::Os{machine.registry, machine.files, machine.processes,
                                              machine.services, devices, machine.libraries,
                                              machine.processor, machine.system, machine.windowing,
                                              machine.clock});
        ctx = std::make_unique<RunContext>(*os_);
    }
    void InstallRelease(const std::string& version) {
        machine.registry.SetString(false, "SOFTWARE\\Intel\\IRST", "LastKitInstalled", version);
    }
    std::vector<std::string> Started() const {
        std::vector<std::string> lines;
        for (const auto& p : machine.processes.programs) lines.push_back(p.commandLine);
        return lines;
    }
    void ExpectAllClosedBut(std::size_t stillOpen) const {
        std::size_t open = 0;
        for (const auto& p : machine.processes.programs) open += p.closed ? 0 : 1;
        EXPECT_EQ(open, stillOpen);
    }

    fake::Machine machine;
    Devices devices;
    std::unique_ptr<os::Os> os_;
    std::unique_ptr<RunContext> ctx;
};

const std::string kTool = "C:\\VOLKIT\\rstcli.exe";
const std::string kReset = kTool + " --accelerate --reset-to-available --cache-volume Cache_Volume";

TEST_F(AccelerationRun, WaitsEndAsSoonAsEachRstcliEndsAndNeverPassTheirBound) {
    struct Case {
        std::uint64_t runTime;
        std::uint64_t expectedEnd;
    };
    // Four starts with bounds 7000, 7000, 7000, 2000.
    for (const Case c : {Case{500, 2000}, Case{3000, 11000}, Case{10000, 23000}}) {
        machine.processes.programs.clear();
        machine.processes.waitBounds.clear();
        machine.clock.now = 0;
        machine.processes.nextRunTime = c.runTime;
        AccelerateVolume(*ctx, 2, "Volume_0000");
        EXPECT_EQ(machine.processes.waitBounds,
                  (std::vector<std::uint32_t>{7000, 7000, 7000, 2000}))
            << c.runTime;
        EXPECT_EQ(machine.clock.now, c.expectedEnd) << c.runTime;
        EXPECT_TRUE(machine.clock.sleeps.empty()) << "no idle sleeping";
        ExpectAllClosedBut(0);
    }
    const std::string accelerate =
        kTool + " --accelerate --setAccelConfig --volume-to-accel Volume_0000 --mode enhanced";
    EXPECT_EQ(Started(), (std::vector<std::string>{
                             kTool + " --accelerate --createCache --SSD 0-2-0-0 --cache-size 20",
                             accelerate, accelerate, accelerate}));
}

TEST_F(AccelerationRun, VolumeOffStartsSevenTimesAndLeavesTheLastUnwaited) {
    machine.processes.nextRunTime = 200;
    DisableVolumeAcceleration(*ctx, "My Volume");
    const std::string off =
        kTool + " --accelerate --setAccelConfig --volume-to-accel \"My Volume\" --mode off";
    EXPECT_EQ(Started(), (std::vector<std::string>{off, off, off, kReset, kReset, kReset, kReset}));
    EXPECT_EQ(machine.processes.waitBounds, std::vector<std::uint32_t>(6, 1000));
    EXPECT_EQ(machine.clock.now, 6u * 200u);
    ExpectAllClosedBut(0);
}

TEST_F(AccelerationRun, ToolPathWithABlankIsQuoted) {
    machine.files.currentDirectory = "C:\\Program Files\\VOLKIT";
    DisableDiskAcceleration(*ctx, 1, 1);
    ASSERT_EQ(Started().size(), 2u);
    EXPECT_EQ(Started()[1],
              "\"C:\\Program Files\\VOLKIT\\rstcli.exe\" --accelerate --reset-to-available "
              "--cache-volume Cache_Volume");
}

TEST_F(AccelerationRun, FailedStartIsNotWaitedFor) {
    machine.processes.startFails = true;
    DisableVolumeAcceleration(*ctx, "Volume_0000");
    EXPECT_TRUE(machine.processes.waitBounds.empty());
    EXPECT_EQ(machine.clock.now, 0u);
}

TEST_F(AccelerationRun, RefusalsStartAndWriteNothing) {
    InstallRelease("15.2.0.1008");
    ctx->IrstRelease = 152;
    const std::vector<std::pair<const char*, std::function<void()>>> cases = {
        {"op 9, form 4", [&] { DisableDiskAcceleration(*ctx, 1, 4); }},
        {"op 13, quote in the name", [&] { AccelerateVolume(*ctx, 2, "Vol\"ume"); }},
        {"op 13, empty name", [&] { AccelerateVolume(*ctx, 2, ""); }},
        {"op 14, control character", [&] { DisableVolumeAcceleration(*ctx, "Vol\x01"); }},
        {"op 10, cache form 0", [&] { WipeSsdThenAccelerateDisk(*ctx, true, 3, 2, 1, 0, 1); }},
        {"op 10, disk form 5", [&] { WipeSsdThenAccelerateDisk(*ctx, true, 3, 2, 1, 1, 5); }},
        {"op 10, no disk to wipe", [&] { WipeSsdThenAccelerateDisk(*ctx, false, 0, 2, 1, 1, 1); }},
        {"op 10, the Windows disk", [&] { WipeSsdThenAccelerateDisk(*ctx, true, 0, 2, 1, 1, 1); }},
        {"op 11, incomplete", [&] { CreateRaidVolume(*ctx, 0, "1,1,"); }},
        {"op 12, no second disk", [&] { CreateRaidVolume(*ctx, 1, "1,1"); }},
    };
    for (const auto& [name, run] : cases) {
        EXPECT_THROW(run(), Refusal) << name;
        EXPECT_TRUE(machine.processes.programs.empty()) << name;
        EXPECT_TRUE(machine.files.files.empty()) << name;
    }
}

TEST_F(AccelerationRun, WipeRefusesWhenTheWindowsDiskIsUnknown) {
    struct Case {
        const char* name;
        std::function<void()> setUp;
    };
    const std::vector<Case> cases = {
        {"volume does not open", [&] { devices.volumeOpens = false; }},
        {"short answer", [&] { devices.answer = {7, 0, 0, 0, 3, 0, 0, 0}; }},
        {"not a disk", [&] { devices.answer = {2, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0}; }},
        {"no drive letter", [&] { machine.files.windowsDirectory = "\\\\server\\Windows"; }},
    };
    for (const Case& c : cases) {
        devices = Devices{};
        machine.files.windowsDirectory = "C:\\Windows";
        c.setUp();
        EXPECT_THROW(WipeSsd(*ctx, 3), Refusal) << c.name;
        EXPECT_TRUE(machine.files.files.empty()) << c.name;
        EXPECT_TRUE(machine.processes.programs.empty()) << c.name;
        EXPECT_EQ(devices.open, 0) << c.name << ": device left open";
    }
}

TEST_F(AccelerationRun, WipeAsksTheWindowsDirectorysVolume) {
    machine.files.windowsDirectory = "D:\\WINNT";
    devices.answer = {7, 0, 0, 0, 4, 0, 0, 0, 1, 0, 0, 0};  // disk 4
    EXPECT_THROW(WipeSsd(*ctx, 4), Refusal);
    EXPECT_EQ(devices.opened, "\\\\.\\D:");
    WipeSsd(*ctx, 0);
    EXPECT_EQ(devices.open, 0);
}

TEST_F(AccelerationRun, CacheIsCreatedOnlyAfterTheWipesDiskpartHasEnded) {
    InstallRelease("15.5.0.1044");
    ctx->IrstRelease = 155;
    machine.files.files["C:\\VOLKIT\\c1.txt"] = "old output";
    machine.processes.nextRunTime = 4000;
    WipeSsdThenAccelerateDisk(*ctx, true, 3, 2, 1, 3, 2);

    EXPECT_EQ(machine.files.files["C:\\VOLKIT\\clrssd.txt"], "sel disk 3\r\nclean\r\n");
    EXPECT_EQ(machine.files.files["C:\\VOLKIT\\clr_ssd.bat"], "diskpart /s clrssd.txt >c1.txt");
    EXPECT_EQ(machine.files.files.count("C:\\VOLKIT\\c1.txt"), 0u);
    const std::string drive =
        kTool + " --accelerate --setAccelConfig --drive-to-accel 0-0-1-0 --mode enhanced";
    EXPECT_EQ(Started(),
              (std::vector<std::string>{
                  "C:\\VOLKIT\\clr_ssd.bat",
                  kTool + " --accelerate --createCache --fast-drive 0-0-0-2 --cache-size 20", drive,
                  drive, drive}));
    // The wipe's 4 s end before the first rstcli start; each rstcli then runs 4 s, the last one
    // cut at its 2 s bound: 4 + 4 + 4 + 4 + 2 seconds.
    EXPECT_EQ(machine.processes.waitBounds,
              (std::vector<std::uint32_t>{kWipeWaitBound, 7000, 7000, 7000, 2000}));
    EXPECT_EQ(machine.clock.now, 18000u);
}

TEST_F(AccelerationRun, WipeThatCannotRunOrEndStartsNoRstcli) {
    // The batch does not start.
    machine.processes.startFails = true;
    EXPECT_THROW(WipeSsdThenAccelerateDisk(*ctx, true, 3, 2, 1, 1, 1), std::runtime_error);
    EXPECT_TRUE(machine.processes.programs.empty());

    // diskpart does not end within its bound.
    machine.processes.startFails = false;
    machine.processes.nextRunTime = kWipeWaitBound + 1;
    EXPECT_THROW(WipeSsdThenAccelerateDisk(*ctx, true, 3, 2, 1, 1, 1), std::runtime_error);
    EXPECT_EQ(Started(), std::vector<std::string>{"C:\\VOLKIT\\clr_ssd.bat"});
    EXPECT_EQ(machine.clock.now, kWipeWaitBound);
}

TEST_F(AccelerationRun, RaidCreationDeploysToTheWindowsDirectoryAndDoesNotWait) {
    ctx->IrstRelease = 148;
    machine.processes.nextRunTime = 30000;
    CreateRaidVolume(*ctx, 0, "1,1,2,1");
    EXPECT_EQ(machine.files.currentDirectory, "C:\\Windows");
    EXPECT_EQ(Started(), std::vector<std::string>{"C:\\Windows\\rstcli.exe -C -l 0 -E 0-1-0-0 -n "
                                                  "VolumeWithData 0-2-0-0 "});
    EXPECT_TRUE(machine.processes.waitBounds.empty());
    ExpectAllClosedBut(0);
}

TEST_F(AccelerationRun, RaidCreationLooksForTheToolElevenTimesAtMost) {
    ctx->IrstRelease = 0;  // no tool carried: nothing is written, and nothing appears
    CreateRaidVolume(*ctx, 1, "1,1,2");
    EXPECT_EQ(machine.clock.sleeps, std::vector<std::uint32_t>(10, 1000));
    EXPECT_EQ(Started().size(), 1u);
}

}  // namespace
