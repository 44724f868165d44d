// The real Win32 seam under Wine: processes with exit codes and bounded waits, and the folders
// libraries may be loaded from.
#ifdef _WIN32

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "os/win32/win32_os.h"

namespace {

class Win32SeamTest : public ::testing::Test {
  protected:
    os::win32::Win32Os win32;
    os::Os& os = win32.Get();

    std::string ProgramDirectory() {
        const std::string path = os.files.ModuleFileName();
        return path.substr(0, path.find_last_of('\\') + 1);
    }
};

// ---------------------------------------------------------------------------------------------
// Processes.

TEST_F(Win32SeamTest, StartedProgramIsAwaitedAndItsExitCodeRead) {
    for (const std::uint32_t code : {0u, 3u}) {
        const os::ProcessHandle process =
            os.processes.StartHidden("cmd.exe /c exit " + std::to_string(code));
        ASSERT_NE(process, 0u);
        EXPECT_EQ(os.processes.Wait(process, 30000), os::kWaitObject0);
        std::uint32_t exitCode = 12345;
        EXPECT_TRUE(os.processes.ExitCode(process, &exitCode));
        EXPECT_EQ(exitCode, code);
        os.processes.CloseProcess(process);
    }
}

TEST_F(Win32SeamTest, BoundedWaitEndsWhileTheProgramRuns) {
    const os::ProcessHandle process = os.processes.StartHidden("cmd.exe /c ping -n 30 127.0.0.1");
    ASSERT_NE(process, 0u);
    const std::uint64_t before = os.clock.NowMilliseconds();
    EXPECT_EQ(os.processes.Wait(process, 200), os::kWaitTimeout);
    EXPECT_LT(os.clock.NowMilliseconds() - before, 10000u);
    std::uint32_t exitCode = 0;
    EXPECT_TRUE(os.processes.ExitCode(process, &exitCode));
    EXPECT_EQ(exitCode, os::kStillActive);
    EXPECT_TRUE(os.processes.Terminate(process, 9));
    EXPECT_EQ(os.processes.Wait(process, 30000), os::kWaitObject0);
    os.processes.CloseProcess(process);
}

TEST_F(Win32SeamTest, ProgramThatDoesNotExistIsNotStarted) {
    EXPECT_EQ(os.processes.StartHidden("volkit-no-such-program-here.exe"), 0u);
}

TEST_F(Win32SeamTest, ShellCommandReturnsTheInterpreterResult) {
    EXPECT_EQ(os.processes.RunShell("exit 4"), 4);
}

// ---------------------------------------------------------------------------------------------
// Libraries: only the program's own directory and the system directory are searched.

enum class Placement { ProgramDirectory, CurrentDirectoryOnly, PathFolderOnly };

struct LoadCase {
    const char* name;
    Placement placement;
    bool loads;
};

class LibraryLoadTest : public Win32SeamTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(LibraryLoadTest, LoadsOnlyFromTrustedFolders) {
    const LoadCase& c = GetParam();
    const std::string dataDir = ProgramDirectory() + "probe-data";
    const std::string built = dataDir + "\\volkit-probe.dll";
    ASSERT_NE(os.files.GetAttributes(built), os::kInvalidFileAttributes) << built;
    // Each case uses a file name of its own so that no earlier load is reused.
    const std::string fileName = std::string("volkit-probe-") + c.name + ".dll";
    const std::string savedDirectory = os.files.CurrentDirectory();
    std::string placed;
    switch (c.placement) {
        case Placement::ProgramDirectory:
            placed = ProgramDirectory() + fileName;
            break;
        case Placement::CurrentDirectoryOnly:
            placed = dataDir + "\\" + fileName;
            ASSERT_TRUE(os.files.SetCurrentDirectory(dataDir));
            break;
        case Placement::PathFolderOnly: {
            placed = dataDir + "\\" + fileName;
            const char* path = std::getenv("PATH");
            const std::string setting = "PATH=" + dataDir + ";" + (path != nullptr ? path : "");
            ASSERT_EQ(_putenv(setting.c_str()), 0);
            break;
        }
    }
    ASSERT_TRUE(os.files.CopyFile(built, placed, false));

    const os::LibraryHandle library = os.libraries.Load(fileName);
    EXPECT_EQ(library != 0, c.loads);
    if (library != 0) {
        using ProbeFn = int (*)();
        const os::ProcAddress entry = os.libraries.EntryPoint(library, "volkit_probe");
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(reinterpret_cast<ProbeFn>(entry)(), 42);
        EXPECT_EQ(os.libraries.EntryPoint(library, "volkit_absent"), nullptr);
        os.libraries.Free(library);
    }
    os.files.SetCurrentDirectory(savedDirectory);
    os.files.DeleteFile(placed);
}

INSTANTIATE_TEST_SUITE_P(Folders, LibraryLoadTest,
                         ::testing::Values(LoadCase{"own", Placement::ProgramDirectory, true},
                                           LoadCase{"cwd", Placement::CurrentDirectoryOnly, false},
                                           LoadCase{"path", Placement::PathFolderOnly, false}),
                         [](const ::testing::TestParamInfo<LoadCase>& param) {
                             return std::string(param.param.name);
                         });

TEST_F(Win32SeamTest, LibraryNamesAreFileNamesOnly) {
    EXPECT_NE(os.libraries.Load("kernel32.dll"), 0u);  // from the system directory
    for (const char* name : {"", "..\\kernel32.dll", "C:\\windows\\system32\\kernel32.dll",
                             "probe-data/volkit-probe.dll"}) {
        EXPECT_EQ(os.libraries.Load(name), 0u) << name;
    }
}

// ---------------------------------------------------------------------------------------------
// Token privileges: a privilege looked up by name is the one adjusted in the token.

TEST_F(Win32SeamTest, ShutdownPrivilegeIsEnabledAndDisabledByItsLookedUpId) {
    os::System::TokenHandle token = 0;
    ASSERT_TRUE(os.system.OpenProcessToken(os::kTokenAdjustPrivileges, &token));
    std::uint64_t luid = 0;
    ASSERT_TRUE(os.system.LookupPrivilege("SeShutdownPrivilege", &luid));
    for (const std::uint32_t attributes : {os::kSePrivilegeEnabled, 0u}) {
        EXPECT_TRUE(os.system.AdjustPrivilege(token, luid, attributes));
        EXPECT_EQ(os.system.LastError(), 0u) << "attributes " << attributes;
    }
    // An id the token does not hold is reported as not assigned.
    EXPECT_TRUE(os.system.AdjustPrivilege(token, luid << 32, os::kSePrivilegeEnabled));
    EXPECT_EQ(os.system.LastError(), static_cast<std::uint32_t>(os::kErrorNotAllAssigned));
    os.system.CloseToken(token);

    EXPECT_FALSE(os.system.LookupPrivilege("SeNoSuchPrivilege", &luid));
}

}  // namespace

#endif  // _WIN32
