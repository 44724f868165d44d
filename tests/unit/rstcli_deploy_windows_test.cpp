// The scan's IRST step on real Windows plumbing: the rstcli build carried in this test program's
// own resources (the stand-in in test builds) written to the Windows directory with "cli.bat",
// the batch file run by the real command interpreter, and its "Kcli.txt" parsed. Windows build
// only; on Linux the same step runs on the simulated PC.
#ifdef _WIN32

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/run_context.h"
#include "irst/deploy.h"
#include "os/win32/win32_os.h"

namespace {

namespace fs = std::filesystem;

std::string SourceFile(const std::string& relative) {
    // The sources are on the host; Wine shows the host's root as drive Z:.
    std::string path = std::string("Z:") + VOLKIT_SOURCE_DIR + "/" + relative;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << path;
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void SetIrstVersion(os::Os& os, const std::string& version) {
    os::HKey key = 0;
    ASSERT_EQ(os.registry.CreateKey(os::kHkeyLocalMachine, "SOFTWARE\\Intel\\IRST",
                                    os::kKeyAllAccess, &key),
              os::kErrorSuccess);
    const std::string data = version + '\0';
    ASSERT_EQ(os.registry.SetValue(key, "LastKitInstalled", os::kRegSz,
                                   reinterpret_cast<const std::uint8_t*>(data.data()),
                                   static_cast<std::uint32_t>(data.size())),
              os::kErrorSuccess);
    os.registry.CloseKey(key);
}

struct Case {
    const char* name;
    const char* version;
    bool toolAlreadyThere;  // a copy of the stand-in stands at the path before the scan
    const char* report;
    int release;
    int disks;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class RstcliOnWindows : public testing::TestWithParam<Case> {};

TEST_P(RstcliOnWindows, RunsTheToolThroughTheBatchFileAndParsesItsReport) {
    const Case& c = GetParam();
    os::win32::Win32Os system;
    os::Os& os = system.Get();
    const std::string windows = os.files.WindowsDirectory();
    const std::string tool = windows + "\\rstcli.exe";
    for (const char* name : {"\\rstcli.exe", "\\cli.bat", "\\Kcli.txt", "\\rstcli_calls.log"})
        os.files.DeleteFile(windows + name);

    const std::string report = SourceFile(std::string("tests/data/rstcli/") + c.report);
    ASSERT_TRUE(os.files.WriteFile(windows + "\\rstcli_report.txt", report));
    // A marker behind the program's image tells whether the scan replaced the file.
    const std::string marker = "\r\nalready at the path\r\n";
    if (c.toolAlreadyThere) {
        const fs::path standIn = fs::path(os.files.ModuleFileName()).parent_path().parent_path() /
                                 "standins" / "rstcli.exe";
        std::string image;
        ASSERT_TRUE(os.files.ReadFile(standIn.string(), &image)) << standIn.string();
        ASSERT_TRUE(os.files.WriteFile(tool, image + marker));
    }
    SetIrstVersion(os, c.version);
    const std::string previous = os.files.CurrentDirectory();

    RunContext ctx(os);
    RunRstcliInformation(ctx);
    EXPECT_EQ(os.files.CurrentDirectory(), windows);
    os.files.SetCurrentDirectory(previous);

    EXPECT_EQ(ctx.IrstRelease, c.release);
    std::string batch;
    ASSERT_TRUE(os.files.ReadFile(windows + "\\cli.bat", &batch));
    EXPECT_EQ(batch, "rstcli.exe -I >Kcli.txt\r\n\r\n");
    std::string image;
    const bool toolThere = os.files.ReadFile(tool, &image);
    if (c.toolAlreadyThere) {
        ASSERT_TRUE(toolThere);
        EXPECT_EQ(image.substr(image.size() - marker.size()), marker);
    } else if (c.disks > 0) {
        std::string carried;
        ASSERT_TRUE(os.system.LoadResourceBytes("BINARY", 145, &carried));
        ASSERT_TRUE(toolThere);
        EXPECT_EQ(image, carried);
        EXPECT_EQ(image.substr(0, 2), "MZ");
    } else {
        EXPECT_FALSE(toolThere);
    }

    if (c.disks > 0) {
        EXPECT_EQ(ctx.RstcliReportText, report);
        std::string calls;
        ASSERT_TRUE(os.files.ReadFile(windows + "\\rstcli_calls.log", &calls));
        EXPECT_EQ(calls, "-I\r\n");
    } else {
        EXPECT_EQ(ctx.RstcliReportText, "");
    }
    EXPECT_EQ(ctx.rst.RstDiskCount, c.disks);
}

INSTANTIATE_TEST_SUITE_P(
    Releases, RstcliOnWindows,
    testing::Values(
        // 14.8 carries its build: resource 145 is written and run.
        Case{"carried", "14.8.0.1042", false, "raid1_data_14_8.txt", 148, 3},
        // 13.0 has no build of its own: the file already at the path is used as it stands.
        Case{"alreadyThere", "13.0.0.1098", true, "lone_system_disk_14_8.txt", 130, 1},
        // ... and without one the batch file finds no tool and no disk is reported.
        Case{"none", "13.0.0.1098", false, "lone_system_disk_14_8.txt", 130, 0}),
    [](const testing::TestParamInfo<Case>& param) { return std::string(param.param.name); });

}  // namespace

#endif  // _WIN32
