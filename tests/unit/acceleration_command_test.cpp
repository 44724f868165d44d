#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/refusal.h"
#include "irst/acceleration.h"

namespace {

const std::string kReset = " --accelerate --reset-to-available --cache-volume Cache_Volume";

std::string Texts(const std::vector<RstcliStep>& steps) {
    std::string out;
    for (const RstcliStep& s : steps) {
        out += "[" + s.commandText + "] wait " + std::to_string(s.waitMilliseconds) +
               (s.normalAttributesFirst ? " after normal attributes" : "") + "\n";
    }
    return out;
}

struct StepsCase {
    const char* name;
    std::function<std::vector<RstcliStep>()> build;
    std::vector<RstcliStep> expected;
};

TEST(AccelerationSteps, EachRoutineStartsItsCommandsInOrderWithTheirWaits) {
    const std::string volume13 =
        " --accelerate --setAccelConfig --volume-to-accel Volume_0000 --mode enhanced";
    const std::string disk148 =
        " --accelerate --setAccelConfig --disk-to-accel 0-1-0-0 --mode enhanced";
    const std::string drive155 =
        " --accelerate --setAccelConfig --drive-to-accel 0-0-1-0 --mode enhanced";
    const std::string volumeOff =
        " --accelerate --setAccelConfig --volume-to-accel Volume_0000 --mode off";
    const std::vector<StepsCase> cases = {
        {"13, any release: SSD form of the cache",
         [] { return AccelerateVolumeSteps(2, "Volume_0000"); },
         {{" --accelerate --createCache --SSD 0-2-0-0 --cache-size 20", 7000},
          {volume13, 7000},
          {volume13, 7000},
          {volume13, 2000}}},
        {"10, release 14.8: forms ignored",
         [] { return AccelerateDiskSteps(148, 2, 1, 1, 1); },
         {{" --accelerate --createCache --SSD 0-2-0-0 --cache-size 20", 7000},
          {disk148, 7000},
          {disk148, 7000},
          {disk148, 2000}}},
        {"10, release 14.8: forms outside 1 to 3 still ignored",
         [] { return AccelerateDiskSteps(148, 2, 1, 7, 0); },
         {{" --accelerate --createCache --SSD 0-2-0-0 --cache-size 20", 7000},
          {disk148, 7000},
          {disk148, 7000},
          {disk148, 2000}}},
        {"10, release 15.5: fast-drive forms",
         [] { return AccelerateDiskSteps(155, 2, 1, 3, 2); },
         {{" --accelerate --createCache --fast-drive 0-0-0-2 --cache-size 20", 7000},
          {drive155, 7000},
          {drive155, 7000},
          {drive155, 2000}}},
        {"9, release 15.7: drive form 2",
         [] { return DisableDiskAccelerationSteps(157, 1, 2); },
         {{" --accelerate --setAccelConfig --drive-to-accel 0-0-1-0 --mode off", 1000},
          {kReset, 0, true}}},
        {"9, release 15.2: drive form 1",
         [] { return DisableDiskAccelerationSteps(152, 4, 1); },
         {{" --accelerate --setAccelConfig --drive-to-accel 0-4-0-0 --mode off", 1000},
          {kReset, 0, true}}},
        {"9, release 13.6: disk form whatever the form",
         [] { return DisableDiskAccelerationSteps(136, 3, 3); },
         {{" --accelerate --setAccelConfig --disk-to-accel 0-3-0-0 --mode off", 1000},
          {kReset, 0, true}}},
        {"14: three volume-off runs, four resets",
         [] { return DisableVolumeAccelerationSteps("Volume_0000"); },
         {{volumeOff, 1000},
          {volumeOff, 1000},
          {volumeOff, 1000},
          {kReset, 1000, true},
          {kReset, 1000},
          {kReset, 1000},
          {kReset, 0}}},
    };
    for (const StepsCase& c : cases) {
        EXPECT_EQ(Texts(c.build()), Texts(c.expected)) << c.name;
    }
}

TEST(AccelerationCommands, FastDriveReleasesPlaceThePortByItsForm) {
    struct Case {
        int release, port, form;
        const char* createCache;
        const char* accelerate;
    };
    const Case cases[] = {
        {152, 5, 1, " --accelerate --createCache --fast-drive 0-5-0-0 --cache-size 20",
         " --accelerate --setAccelConfig --drive-to-accel 0-5-0-0 --mode enhanced"},
        {155, 5, 2, " --accelerate --createCache --fast-drive 0-0-5-0 --cache-size 20",
         " --accelerate --setAccelConfig --drive-to-accel 0-0-5-0 --mode enhanced"},
        {157, 12, 3, " --accelerate --createCache --fast-drive 0-0-0-12 --cache-size 20",
         " --accelerate --setAccelConfig --drive-to-accel 0-0-0-12 --mode enhanced"},
        {146, 5, 3, " --accelerate --createCache --SSD 0-5-0-0 --cache-size 20",
         " --accelerate --setAccelConfig --disk-to-accel 0-5-0-0 --mode enhanced"},
        {0, 5, 2, " --accelerate --createCache --SSD 0-5-0-0 --cache-size 20",
         " --accelerate --setAccelConfig --disk-to-accel 0-5-0-0 --mode enhanced"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CreateCacheCommand(c.release, c.port, c.form), c.createCache) << c.release;
        EXPECT_EQ(AccelerateDiskCommand(c.release, c.port, c.form), c.accelerate) << c.release;
    }
}

TEST(AccelerationCommands, FastDriveReleasesRefuseFormsOutsideOneToThree) {
    for (int release : {152, 155, 157}) {
        for (int form : {0, 4, 99}) {
            EXPECT_THROW(CreateCacheCommand(release, 2, form), Refusal) << release << " " << form;
            EXPECT_THROW(AccelerateDiskSteps(release, 2, 1, 1, form), Refusal) << release;
            EXPECT_THROW(DisableDiskAccelerationSteps(release, 1, form), Refusal) << release;
        }
    }
}

TEST(AccelerationCommands, VolumeNameIsOneWord) {
    struct Case {
        const char* name;
        const char* argument;
    };
    const Case cases[] = {
        {"Volume_0000", "Volume_0000"},
        {"My Volume", "\"My Volume\""},
        {"a b\\", "\"a b\\\\\""},  // a trailing backslash must not swallow the closing quote
        {"C:\\x", "C:\\x"},
    };
    for (const Case& c : cases) EXPECT_EQ(VolumeNameArgument(c.name), c.argument) << c.name;
    EXPECT_EQ(VolumeOffCommand("My Volume"),
              " --accelerate --setAccelConfig --volume-to-accel \"My Volume\" --mode off");

    for (const char* bad : {"", "Vol\"ume", "Vol\tume", "Vol\x7fume", "a\nb"}) {
        EXPECT_THROW(VolumeNameArgument(bad), Refusal) << bad;
        EXPECT_THROW(AccelerateVolumeSteps(2, bad), Refusal) << bad;
        EXPECT_THROW(DisableVolumeAccelerationSteps(bad), Refusal) << bad;
    }
}

TEST(WipeFiles, ScriptSelectsAndCleansTheDisk) {
    EXPECT_EQ(WipeScript(3), "sel disk 3\r\nclean\r\n");
    EXPECT_EQ(kWipeBatch, "diskpart /s clrssd.txt >c1.txt");
}

TEST(WipeFiles, DeviceNumberAnswerGivesTheDiskOnlyForACompleteDiskAnswer) {
    // DeviceType 7 (disk), DeviceNumber 0x0102, PartitionNumber 2.
    const std::vector<std::uint8_t> disk = {7, 0, 0, 0, 2, 1, 0, 0, 2, 0, 0, 0};
    EXPECT_EQ(DiskNumberOfDeviceAnswer(disk, 12), 0x0102u);
    EXPECT_FALSE(DiskNumberOfDeviceAnswer(disk, 8).has_value());
    EXPECT_FALSE(DiskNumberOfDeviceAnswer({7, 0, 0, 0, 2, 1, 0, 0}, 12).has_value());
    std::vector<std::uint8_t> cdrom = disk;
    cdrom[0] = 2;
    EXPECT_FALSE(DiskNumberOfDeviceAnswer(cdrom, 12).has_value());
}

}  // namespace
