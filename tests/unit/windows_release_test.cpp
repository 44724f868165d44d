#include "platform/windows_release.h"

#include <gtest/gtest.h>

#include "app/run_context.h"
#include "fake_os.h"

namespace {

constexpr const char* kCurrentVersionKey = "Software\\Microsoft\\Windows NT\\CurrentVersion";
constexpr const char* kSysWow64Pattern = "C:\\Windows\\SysWow64\\*.*";

struct Release {
    const char* name;
    std::uint32_t platform, major, minor, build;
    std::uint8_t productType;
    bool sysWow64;
    // Registry texts for 6.2 (nullptr: the key is absent).
    const char* currentVersion;
    const char* productName;
    std::uint8_t code;
    bool result;
};

void PrintTo(const Release& r, std::ostream* out) {
    *out << r.name;
}

class DetectsRelease : public testing::TestWithParam<Release> {};

TEST_P(DetectsRelease, FromVersionRecordAndRegistry) {
    const Release& r = GetParam();
    fake::Machine machine;
    machine.system.version.platformId = r.platform;
    machine.system.version.majorVersion = r.major;
    machine.system.version.minorVersion = r.minor;
    machine.system.version.buildNumber = r.build;
    machine.system.version.productType = r.productType;
    if (r.sysWow64) machine.files.patternsWithMatches.push_back(kSysWow64Pattern);
    if (r.currentVersion != nullptr) {
        // The values stand only in the view that the program is meant to read.
        machine.registry.SetString(r.sysWow64, kCurrentVersionKey, "CurrentVersion",
                                   r.currentVersion);
        if (r.productName != nullptr) {
            machine.registry.SetString(r.sysWow64, kCurrentVersionKey, "ProductName",
                                       r.productName);
        }
    }
    RunContext ctx(machine.os);
    std::uint8_t code = 99;
    EXPECT_EQ(DetectWindowsRelease(ctx, &code), r.result);
    EXPECT_EQ(code, r.code);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DetectsRelease,
    testing::Values(
        Release{"Win32s", 0, 3, 1, 0, 0, false, nullptr, nullptr, 9, true},
        Release{"Windows95", 1, 4, 0, 950, 0, false, nullptr, nullptr, 10, true},
        Release{"Windows98", 1, 4, 10, 1998, 0, false, nullptr, nullptr, 11, true},
        Release{"Windows98SE", 1, 4, 10, 0x040A08AE, 0, false, nullptr, nullptr, 12, true},
        Release{"WindowsMe", 1, 4, 90, 3000, 0, false, nullptr, nullptr, 15, true},
        Release{"NT4", 2, 4, 0, 1381, 0, false, nullptr, nullptr, 13, true},
        Release{"Windows2000", 2, 5, 0, 2195, 1, false, nullptr, nullptr, 14, true},
        Release{"WindowsXP", 2, 5, 1, 2600, 1, false, nullptr, nullptr, 16, true},
        Release{"XPx64", 2, 5, 2, 3790, 1, true, nullptr, nullptr, 17, true},
        Release{"Server2003x86", 2, 5, 2, 3790, 3, false, nullptr, nullptr, 16, true},
        Release{"Server2003x64", 2, 5, 2, 3790, 3, true, nullptr, nullptr, 17, true},
        Release{"NT5.1From3790", 2, 5, 1, 3790, 1, false, nullptr, nullptr, 0, true},
        Release{"Vista", 2, 6, 0, 6002, 1, false, nullptr, nullptr, 18, true},
        Release{"VistaX64", 2, 6, 0, 6002, 1, true, nullptr, nullptr, 19, true},
        Release{"Windows7", 2, 6, 1, 7601, 1, false, nullptr, nullptr, 20, true},
        Release{"Windows7x64", 2, 6, 1, 7601, 1, true, nullptr, nullptr, 21, true},
        Release{"Windows81", 2, 6, 2, 9200, 1, false, "6.3", "Windows 8.1 Pro", 22, true},
        Release{"Windows81x64", 2, 6, 2, 9200, 1, true, "6.3", "Windows 8.1 Pro", 23, true},
        Release{"Windows10", 2, 6, 2, 9200, 1, false, "6.3", "Windows 10 Pro", 32, true},
        Release{"Windows10x64", 2, 6, 2, 9200, 1, true, "6.3", "Windows 10 Pro", 33, true},
        Release{"Both81And10", 2, 6, 2, 9200, 1, true, "6.3", "8.1 or 10", 23, true},
        Release{"Windows8", 2, 6, 2, 9200, 1, false, "6.2", "Windows 8 Pro", 0, true},
        Release{"Server2012R2", 2, 6, 2, 9200, 3, true, "6.3", "Windows Server 2012 R2", 0, true},
        Release{"NoProductName", 2, 6, 2, 9200, 1, false, "6.3", nullptr, 0, true},
        Release{"KeyMissing", 2, 6, 2, 9200, 1, false, nullptr, nullptr, 0, false},
        Release{"Minor3", 2, 6, 3, 9600, 1, false, nullptr, nullptr, 0, true},
        Release{"Major10", 2, 10, 0, 19045, 1, false, nullptr, nullptr, 0, true},
        Release{"UnknownPlatform", 3, 6, 1, 7601, 1, false, nullptr, nullptr, 0, false}));

TEST(WindowsRelease, Version62ReadsTheViewThatMatchesTheBitness) {
    // 64-bit Windows: the native view; a copy in the 32-bit view alone is not found.
    fake::Machine machine;
    machine.system.version = {6, 2, 9200, 2, "", 0, 0, 0, 1};
    machine.files.patternsWithMatches.push_back(kSysWow64Pattern);
    machine.registry.SetString(false, kCurrentVersionKey, "CurrentVersion", "6.3");
    machine.registry.SetString(false, kCurrentVersionKey, "ProductName", "Windows 10 Pro");
    RunContext ctx(machine.os);
    std::uint8_t code = 99;
    EXPECT_FALSE(DetectWindowsRelease(ctx, &code));
    EXPECT_EQ(code, 0);
    ASSERT_FALSE(machine.registry.openAccess.empty());
    EXPECT_EQ(machine.registry.openAccess.back(), os::kKeyAllAccess | os::kKeyWow64_64Key);
}

TEST(WindowsRelease, FallsBackToThePlainRecordAndGivesUpWhenBothFail) {
    fake::Machine machine;
    machine.system.exSizeWorks = false;
    machine.system.version = {6, 1, 7601, 2, "", 0, 0, 0, 1};
    RunContext ctx(machine.os);
    std::uint8_t code = 99;
    EXPECT_TRUE(DetectWindowsRelease(ctx, &code));
    EXPECT_EQ(code, 20);
    EXPECT_EQ(machine.system.versionSizesAsked,
              (std::vector<std::uint32_t>{os::kOsVersionInfoExSize, os::kOsVersionInfoSize}));

    machine.system.plainSizeWorks = false;
    code = 99;
    EXPECT_FALSE(DetectWindowsRelease(ctx, &code));
    EXPECT_EQ(code, 99) << "the code is not written when no record can be had";
}

TEST(WindowsRelease, SixtyFourBitIsTheSysWow64FolderNotWow64Process) {
    fake::Machine machine;
    machine.system.version = {6, 1, 7601, 2, "", 0, 0, 0, 1};
    machine.system.wow64 = true;  // a 64-bit Windows whose SysWow64 folder is empty
    RunContext ctx(machine.os);
    std::uint8_t code = 0;
    DetectWindowsRelease(ctx, &code);
    EXPECT_EQ(code, 20);
    EXPECT_TRUE(IsWow64(ctx));
    ASSERT_FALSE(machine.files.patternsAsked.empty());
    EXPECT_EQ(machine.files.patternsAsked.back(), kSysWow64Pattern);
}

TEST(WindowsRelease, IsWow64IsFalseWithoutTheApi) {
    fake::Machine machine;
    RunContext ctx(machine.os);
    EXPECT_FALSE(IsWow64(ctx));
    machine.system.wow64 = false;
    EXPECT_FALSE(IsWow64(ctx));
}

TEST(WindowsRelease, CpuVendorFromLeafZero) {
    struct Case {
        const char* vendor;  // 12 characters: EBX, EDX, ECX
        int expected;
    };
    const Case cases[] = {{"GenuineIntel", 1},
                          {"AuthenticAMD", 2},
                          {"CentaurHauls", 0},
                          {"GenuineIntex", 0},
                          {"HygonGenuine", 0}};
    for (const Case& c : cases) {
        fake::Machine machine;
        auto word = [&](int at) {
            std::uint32_t v = 0;
            for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(c.vendor[at + i]);
            return v;
        };
        machine.processor.leaf0.ebx = word(0);
        machine.processor.leaf0.edx = word(4);
        machine.processor.leaf0.ecx = word(8);
        RunContext ctx(machine.os);
        EXPECT_EQ(GetCpuVendor(ctx), c.expected) << c.vendor;
    }
}

}  // namespace
