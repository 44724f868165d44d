// The shell end to end on simulated PCs: operations 7 and 8 on the Windows releases that choose
// different keys and files, and the endings of runs that do nothing or are refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/scenario.h"

namespace {

const std::string kRunOnce32 =
    "HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const std::string kRunOnce = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const std::string kRun = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kStartup =
    "C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup";

// JSON of a machine: the "windows" section, the registry entries, further sections, and the
// port-I/O library beside the program.
std::string Machine(const std::string& windows, const std::string& registry,
                    const std::string& extra = "",
                    const std::string& libraries = R"("qvx.dll": {})") {
    return "{\"windows\": {" + windows + "}, \"registry\": {" + registry + "}, \"libraries\": {" +
           libraries + "}" + extra + "}";
}

const std::string kWin7x64 = R"("major": 6, "minor": 1, "build": 7601)";
const std::string kWin81x64 = R"("major": 6, "minor": 2, "build": 9200)";
const std::string kXp = R"("major": 5, "minor": 1, "build": 2600, "is64Bit": false)";
const std::string kRunOnceKeys =
    R"("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce": {},
       "HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\RunOnce": {})";
std::string NtCurrentVersion(const std::string& product) {
    return R"("HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion": {"CurrentVersion": "6.3", )"
           R"("ProductName": ")" +
           product + R"("})";
}

// The kinds of the journal in order, as "kind detail".
std::vector<std::string> Kinds(Scenario& s, const std::vector<std::string>& kinds) {
    std::vector<std::string> out;
    for (const sim::JournalEntry& e : s.Machine().Journal()) {
        for (const std::string& k : kinds) {
            if (e.kind == k) out.push_back(e.kind + " " + e.detail);
        }
    }
    return out;
}

// Every ending sends WM_CLOSE to "VKT" and then exits, once.
void ExpectClosedThenExited(Scenario& s, int exitCode) {
    const auto ending = Kinds(s, {"window.close", "exit"});
    ASSERT_EQ(ending.size(), 2u) << s.JournalText();
    EXPECT_EQ(ending[0], "window.close WM_CLOSE to \"VKT\"");
    EXPECT_EQ(ending[1], "exit " + std::to_string(exitCode));
}

std::string Log(Scenario& s) {
    return s.File("C:\\VOLKIT\\volkit.log").value_or("");
}

TEST(FollowUp, Windows7x64WritesRunOnceInThe32BitViewAndCopiesNothing) {
    Scenario s(Machine(kWin7x64, kRunOnceKeys, R"(, "files": {"C:\\VOLKIT\\marlinex.scf": "x"})"));
    EXPECT_EQ(s.Run("-func7"), 0);
    EXPECT_EQ(s.RegistryText(kRunOnce32, "TIDAL"), "C:\\VOLKIT\\tidalpretray.exe");
    EXPECT_EQ(s.RegistryText(kRunOnce, "TIDAL"), std::nullopt);
    EXPECT_TRUE(s.Journal("file.copy").empty());
    ExpectClosedThenExited(s, 0);
}

TEST(FollowUp, UnregisterOverwritesTheValue) {
    Scenario s(Machine(
        kWin7x64, R"("HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\RunOnce":)"
                  R"( {"TIDAL": "C:\\VOLKIT\\tidalpretray.exe"})"));
    EXPECT_EQ(s.Run("-func8"), 0);
    EXPECT_EQ(s.RegistryText(kRunOnce32, "TIDAL"), "C:\\VOLKIT\\0");
    ExpectClosedThenExited(s, 0);
}

TEST(FollowUp, RunOnceIsNeverCreated) {
    Scenario s(Machine(kWin7x64, ""));
    EXPECT_EQ(s.Run("-func7"), 0);
    EXPECT_TRUE(s.Journal("registry.set").empty());
    EXPECT_TRUE(s.Journal("registry.create-key").empty());
    EXPECT_NE(Log(s).find("TIDAL not written"), std::string::npos) << Log(s);
}

TEST(FollowUp, WindowsXpCreatesTheRunKey) {
    Scenario s(Machine(kXp, ""));
    EXPECT_EQ(s.Run("-func7"), 0);
    EXPECT_EQ(s.RegistryText(kRun, "TIDAL"), "C:\\VOLKIT\\tidalpretray.exe");
    EXPECT_EQ(s.Journal("registry.create-key").size(), 1u);
    ExpectClosedThenExited(s, 0);
}

TEST(FollowUp, UnrecognisedReleaseUsesTheRunKey) {
    // Windows 8 itself (6.2 with "CurrentVersion" 6.2) has release code 0.
    Scenario s(
        Machine(kWin81x64,
                R"("HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion": )"
                R"({"CurrentVersion": "6.2", "ProductName": "Windows 8 Pro"},)"
                R"("HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run": {})"));
    EXPECT_EQ(s.Run("-func7"), 0);
    EXPECT_EQ(s.RegistryText("HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run",
                             "TIDAL"),
              "C:\\VOLKIT\\tidalpretray.exe");
}

TEST(FollowUp, Windows81CopiesAndDeletesTheShellCommandFile) {
    Scenario s(Machine(kWin81x64, kRunOnceKeys + "," + NtCurrentVersion("Windows 8.1 Pro"),
                       R"(, "files": {"C:\\VOLKIT\\marlinex.scf": "[Shell]"})"));
    EXPECT_EQ(s.Run("-func7"), 0);
    EXPECT_EQ(s.RegistryText(kRunOnce32, "TIDAL"), "C:\\VOLKIT\\tidalpretray.exe");
    EXPECT_EQ(s.File(kStartup + "\\marlinex.scf"), "[Shell]");

    EXPECT_EQ(s.Run("-func8"), 0);
    EXPECT_EQ(s.RegistryText(kRunOnce32, "TIDAL"), "C:\\VOLKIT\\0");
    EXPECT_EQ(s.File(kStartup + "\\marlinex.scf"), std::nullopt);
    EXPECT_EQ(s.File("C:\\VOLKIT\\marlinex.scf"), "[Shell]");
}

TEST(FollowUp, Windows10CopiesNothing) {
    Scenario s(Machine(kWin81x64, kRunOnceKeys + "," + NtCurrentVersion("Windows 10 Pro"),
                       R"(, "files": {"C:\\VOLKIT\\marlinex.scf": "[Shell]"})"));
    EXPECT_EQ(s.Run("-func7"), 0);
    EXPECT_EQ(s.RegistryText(kRunOnce32, "TIDAL"), "C:\\VOLKIT\\tidalpretray.exe");
    EXPECT_TRUE(s.Journal("file.copy").empty());
}

TEST(FollowUp, ProgramPathWithABlankIsQuoted) {
    Scenario s(Machine(kWin7x64, kRunOnceKeys,
                       R"(, "paths": {"program": "C:\\Program Tools\\VOLKIT.exe"})"));
    EXPECT_EQ(s.Run("-func7"), 0);
    EXPECT_EQ(s.RegistryText(kRunOnce32, "TIDAL"), "\"C:\\Program Tools\\tidalpretray.exe\"");
    EXPECT_EQ(s.Run("-func8"), 0);
    EXPECT_EQ(s.RegistryText(kRunOnce32, "TIDAL"), "\"C:\\Program Tools\\0\"");
}

// Runs that end without running an operation.
TEST(Shell, EndingsOfRunsThatRunNothing) {
    struct Case {
        const char* line;
        bool withLibrary;
        int exitCode;
        bool libraryLoaded;
        const char* logged;
    };
    const Case cases[] = {
        {"", true, 0, false, "holds no switch"},
        {"-func4", true, 0, false, "holds no switch"},
        {"-func9 3", true, 2, false, "refused: command line \"-func9 3\""},
        {"-func10 2 1 1", true, 2, false, "number 3 is not followed by a separator"},
        {"-func11 1,1,2,1,3,1,4,1,5,1,6", true, 2, false, "at most 19"},
        {"-func7", false, 0, false, "qvx.dll cannot be loaded"},
    };
    for (const Case& c : cases) {
        Scenario s(Machine(kWin7x64, kRunOnceKeys, "", c.withLibrary ? R"("qvx.dll": {})" : ""));
        EXPECT_EQ(s.Run(c.line), c.exitCode) << c.line;
        EXPECT_EQ(s.Journal("library.load").empty(), !c.libraryLoaded) << c.line;
        EXPECT_TRUE(s.Journal("registry.set").empty()) << c.line;
        EXPECT_TRUE(s.Journal("process.start").empty()) << c.line;
        EXPECT_TRUE(s.Journal("file.write").empty()) << c.line;
        EXPECT_TRUE(s.Journal("MESSAGEBOX").empty()) << c.line;
        EXPECT_NE(Log(s).find(c.logged), std::string::npos) << c.line << "\n" << Log(s);
        ExpectClosedThenExited(s, c.exitCode);
    }
}

TEST(Shell, RunsTheDialogAndPreparesTheOperation) {
    Scenario s(Machine(kWin7x64, kRunOnceKeys, R"(, "strings": {"101": "About VOLKIT"})"));
    EXPECT_EQ(s.Run("-func7"), 0);
    EXPECT_EQ(s.Journal("dialog.run"), std::vector<std::string>{"102 \"VKT\""});
    EXPECT_EQ(s.Journal("library.load"), std::vector<std::string>{"C:\\VOLKIT\\qvx.dll"});
    const std::string log = Log(s);
    EXPECT_NE(log.find("Windows release code 21"), std::string::npos) << log;
    EXPECT_NE(log.find("[-func7] command line \"-func7\": operation 7"), std::string::npos) << log;
    EXPECT_NE(log.find("IRST release code 0"), std::string::npos) << log;
    EXPECT_NE(log.find("sent WM_CLOSE to the window \"VKT\"; exit code 0"), std::string::npos)
        << log;
}

TEST(Shell, IncompletePortIoLibraryIsLoggedAndStillRuns) {
    Scenario s(
        Machine(kWin7x64, kRunOnceKeys, "", R"("qvx.dll": {"missing": ["mv_outpw", "mv_inp"]})"));
    EXPECT_EQ(s.Run("-func7"), 0);
    EXPECT_EQ(s.RegistryText(kRunOnce32, "TIDAL"), "C:\\VOLKIT\\tidalpretray.exe");
    EXPECT_NE(Log(s).find("qvx.dll lacks mv_outpw, mv_inp"), std::string::npos) << Log(s);
}

}  // namespace

namespace {

TEST(FollowUp, PathThatDoesNotFitIsRefusedBeforeAnythingIsWritten) {
    // "C:\" + 236 characters + "\" + "tidalpretray.exe" is 256 characters: one too many with
    // its terminating NUL. One character less fits.
    for (const std::size_t length : {std::size_t{236}, std::size_t{235}}) {
        const std::string folder = "C:\\" + std::string(length, 'v');
        Scenario s(Machine(
            kWin7x64, kRunOnceKeys,
            R"(, "paths": {"program": "C:\\)" + std::string(length, 'v') + R"(\\VOLKIT.exe"})"));
        const bool fits = length == 235;
        EXPECT_EQ(s.Run("-func7"), fits ? 0 : 2) << length;
        EXPECT_EQ(s.RegistryText(kRunOnce32, "TIDAL"),
                  fits ? std::optional<std::string>(folder + "\\tidalpretray.exe") : std::nullopt)
            << length;
        ExpectClosedThenExited(s, fits ? 0 : 2);
    }
}

}  // namespace
