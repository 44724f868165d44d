// IRST removal (-func5) and installation (-func6) on simulated PCs: what is started, in which
// order, how long the bounded waits last in virtual time, and where the release record lands.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/scenario.h"

namespace {

using Json = nlohmann::json;

const std::string kA = "{11111111-AAAA-BBBB-CCCC-000000000001}";
const std::string kB = "{22222222-AAAA-BBBB-CCCC-000000000002}";
const std::string kC = "{33333333-AAAA-BBBB-CCCC-000000000003}";
const std::string kTypicalGuidFile =
    "[64]=2\r\n" + kA + "\r\n" + kB + "\r\n[32]=1\r\n" + kC + "\r\n";
const char* kUiProgram =
    "C:\\Program Files (x86)\\Intel\\Intel(R) Rapid Storage Technology\\IAStorUI.exe";
const char* kReleaseKey64 = "HKLM\\SOFTWARE\\MORVANTE\\IRST_VER";
const char* kReleaseKey32On64 = "HKLM\\SOFTWARE\\WOW6432Node\\MORVANTE\\IRST_VER";

// A PC with IRST 14.8 installed, its service and tray program running, and "GUID.txt" beside
// the program. Tests change what they need.
Json IrstMachine() {
    return Json{
        {"registry",
         {{"HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", {{"CurrentVersion", "6.1"}}},
          {"HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion",
           {{"CurrentVersion", "6.1"}}},
          {"HKLM\\SOFTWARE\\Intel\\IRST",
           {{"LastKitInstalled", "14.8.0.1042"}, {"Version", "14.8.0.1042"}}}}},
        {"files", {{"C:\\VOLKIT\\GUID.txt", kTypicalGuidFile}, {kUiProgram, "MZ"}}},
        {"libraries", {{"qvx.dll", {{"place", "program"}}}}},
        {"processes", Json::array({{{"name", "explorer.exe"}, {"pid", 1812}},
                                   {{"name", "IAStorIcon.exe"}, {"pid", 2264}}})},
        {"services", {{"IAStorDataMgrSvc", {{"state", "running"}, {"stopMs", 4000}}}}},
        {"irstSoftware", {{"uninstallMs", 8000}}},
    };
}

Json Thirty2Bit(Json machine) {
    machine["windows"] = {{"is64Bit", false}};
    machine["files"].erase(kUiProgram);
    machine["files"]["C:\\Program Files\\Intel\\Intel(R) Rapid Storage Technology\\IAStorUI.exe"] =
        "MZ";
    return machine;
}

// Virtual time of the first journal entry of a kind whose detail holds the text.
std::uint64_t TimeOf(Scenario& s, const std::string& kind, const std::string& piece = "") {
    for (const sim::JournalEntry& e : s.Machine().JournalOf(kind)) {
        if (e.detail.find(piece) != std::string::npos) return e.timeMs;
    }
    ADD_FAILURE() << "no " << kind << " entry with " << piece << "\n" << s.JournalText();
    return 0;
}

std::uint64_t LastTimeOf(Scenario& s, const std::string& kind, const std::string& piece) {
    std::uint64_t last = 0;
    for (const sim::JournalEntry& e : s.Machine().JournalOf(kind)) {
        if (e.detail.find(piece) != std::string::npos) last = e.timeMs;
    }
    return last;
}

std::vector<std::string> Started(const Scenario& s) {
    return s.Journal("process.start");
}

std::string Log(const Scenario& s) {
    return s.File("C:\\VOLKIT\\volkit.log").value_or("");
}

}  // namespace

// The whole removal on 64-bit Windows 7: service stopped, tray ended, the 64-bit list started
// without a restart request, the release record written, and the wait ended with the
// uninstallers.
TEST(IrstRemoval, RemovesThe64BitListInOrder) {
    Scenario s(IrstMachine().dump());
    EXPECT_EQ(s.Run("-func5"), 0);

    EXPECT_EQ(s.Journal("service.stop"), std::vector<std::string>{"IAStorDataMgrSvc"});
    ASSERT_EQ(s.Journal("process.terminate").size(), 1u);
    EXPECT_NE(s.Journal("process.terminate")[0].find("pid 2264"), std::string::npos);
    EXPECT_EQ(Started(s), (std::vector<std::string>{"Msiexec.exe /x" + kA + " /quiet ",
                                                    "Msiexec.exe /x" + kB + " /quiet "}));
    EXPECT_EQ(s.RegistryDword(kReleaseKey32On64, "version"), 148u);

    // The service leaves the running state with the request (it is stopping), so the removal
    // goes on at once; the uninstallers run 8 s and the wait ends with them, not at its bound.
    EXPECT_EQ(TimeOf(s, "process.start", "Msiexec"), TimeOf(s, "service.stop"));
    EXPECT_EQ(TimeOf(s, "exit") - LastTimeOf(s, "process.start", "Msiexec"), 8000u);
    EXPECT_TRUE(s.Journal("MESSAGEBOX").empty());
}

// On 32-bit Windows the same file starts only the 32-bit list, each asking for a restart.
TEST(IrstRemoval, Removes32BitListWithRestartOn32BitWindows) {
    Scenario s(Thirty2Bit(IrstMachine()).dump());
    EXPECT_EQ(s.Run("-func5"), 0);
    EXPECT_EQ(Started(s),
              std::vector<std::string>{"Msiexec.exe /x" + kC + " /quiet /forcerestart"});
    EXPECT_EQ(s.RegistryDword(kReleaseKey64, "version"), 148u);
}

// The bounded waits, in virtual time. Service: polled each second, at most 100 s. Uninstallers:
// at most 10 rounds of 2 s; when the user-interface program has gone, at most 6 s more.
TEST(IrstRemoval, WaitsEndAtTheirBoundsOrAsSoonAsTheAwaitedThingHappens) {
    struct Case {
        const char* name;
        Json serviceStop;  // the service's "stopMs"
        Json uninstallMs;  // how long each uninstaller runs
        Json uiRemovedAfterMs;
        bool otherMsiexecRunning;
        std::uint64_t serviceWait;    // from the stop request to the first uninstaller
        std::uint64_t uninstallWait;  // from the last uninstaller's start to the end
    };
    const Case cases[] = {
        {"service refuses to stop", "never", 8000, nullptr, false, 100000, 8000},
        {"a stopping service no longer runs", 2500, 8000, nullptr, false, 0, 8000},
        {"uninstallers never end, UI stays", 0, "never", nullptr, false, 0, 20000},
        {"UI program disappears after 5 s", 0, "never", 5000, false, 0, 6000 + 6000},
        {"uninstallers end after 3 s", 0, 3000, nullptr, false, 0, 3000},
        {"a msiexec that was running before is not waited for", 0, 3000, nullptr, true, 0, 3000},
        // Once the user-interface program is gone, the uninstallers that end are not waited
        // for any longer: the settle time is only the bound.
        {"UI program already gone, uninstallers end after 3 s", 0, 3000, 0, false, 0, 3000},
        {"UI program already gone, uninstallers end after 0.3 s", 0, 300, 0, false, 0, 300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Json m = IrstMachine();
        m["services"]["IAStorDataMgrSvc"]["stopMs"] = c.serviceStop;
        m["irstSoftware"]["uninstallMs"] = c.uninstallMs;
        if (!c.uiRemovedAfterMs.is_null())
            m["irstSoftware"]["uiRemovedAfterMs"] = c.uiRemovedAfterMs;
        if (c.otherMsiexecRunning)
            m["processes"].push_back({{"name", "msiexec.exe"}, {"pid", 900}});
        Scenario s(m.dump());
        EXPECT_EQ(s.Run("-func5"), 0);
        EXPECT_EQ(TimeOf(s, "process.start", "Msiexec") - TimeOf(s, "service.stop"), c.serviceWait);
        EXPECT_EQ(TimeOf(s, "exit") - LastTimeOf(s, "process.start", "Msiexec"), c.uninstallWait);
    }
}

// With the service and tray program absent and nothing to uninstall, nothing is waited for.
TEST(IrstRemoval, NothingRunningNothingToWaitFor) {
    Json m = IrstMachine();
    m["services"] = Json::object();
    m["processes"] = Json::array();
    m["files"]["C:\\VOLKIT\\GUID.txt"] = "[64]=0\r\n[32]=0\r\n";
    Scenario s(m.dump());
    EXPECT_EQ(s.Run("-func5"), 0);
    EXPECT_TRUE(s.Journal("process.terminate").empty());
    EXPECT_TRUE(Started(s).empty());
    EXPECT_EQ(TimeOf(s, "exit"), 0u);
    EXPECT_EQ(s.RegistryDword(kReleaseKey32On64, "version"), 148u);
}

// Without a recognised IRST release nothing is uninstalled and no record is written.
TEST(IrstRemoval, NoIrstReleaseNoUninstall) {
    Json m = IrstMachine();
    m["registry"].erase("HKLM\\SOFTWARE\\Intel\\IRST");
    Scenario s(m.dump());
    EXPECT_EQ(s.Run("-func5"), 0);
    EXPECT_TRUE(Started(s).empty());
    EXPECT_FALSE(s.Machine().RegistryKeyExists(kReleaseKey32On64));
    EXPECT_FALSE(s.Machine().RegistryKeyExists(kReleaseKey64));
}

// The release record: the native view on 64-bit Windows only when the key is already there.
TEST(IrstRemoval, ReleaseRecordLandsInTheViewThatHasTheKey) {
    struct Case {
        const char* name;
        bool is64;
        const char* existingKey;  // nullptr: no key beforehand
        const char* expectedKey;
        const char* untouchedKey;
    };
    const Case cases[] = {
        {"64-bit, no key: created in the 32-bit view", true, nullptr, kReleaseKey32On64,
         kReleaseKey64},
        {"64-bit, native key present", true, kReleaseKey64, kReleaseKey64, kReleaseKey32On64},
        {"32-bit Windows", false, nullptr, kReleaseKey64, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Json m = c.is64 ? IrstMachine() : Thirty2Bit(IrstMachine());
        if (c.existingKey != nullptr) m["registry"][c.existingKey] = Json::object();
        Scenario s(m.dump());
        EXPECT_EQ(s.Run("-func5"), 0);
        EXPECT_EQ(s.RegistryDword(c.expectedKey, "version"), 148u);
        if (c.untouchedKey != nullptr) {
            EXPECT_FALSE(s.RegistryDword(c.untouchedKey, "version").has_value());
        }
    }
}

// A malformed "GUID.txt" starts no uninstaller and writes no record; the run ends with exit code
// 2 after the shutdown privilege has been given back, and the log says why. Windows XP, where
// the privilege is really taken and given back.
TEST(IrstRemoval, MalformedProductCodeFileIsRefused) {
    struct Case {
        const char* name;
        const char* file;  // nullptr: no file
        const char* logged;
    };
    const Case cases[] = {
        {"missing file", nullptr, "missing"},
        {"empty file", "", "empty"},
        {"list announces more codes than it holds", "[32]=3\r\n{A-1}\r\n{B-2}\r\n", "holds only 2"},
        {"count beyond the text without markers", "{A}", "neither"},
        {"code longer than 49 characters",
         "[32]=1\r\n{11111111-AAAA-BBBB-CCCC-000000000001-000000000000000}\r\n", "more than 49"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Json m = Thirty2Bit(IrstMachine());
        m["windows"] = {{"major", 5},
                        {"minor", 1},
                        {"build", 2600},
                        {"csdVersion", "Service Pack 3"},
                        {"is64Bit", false}};
        if (c.file == nullptr) {
            m["files"].erase("C:\\VOLKIT\\GUID.txt");
        } else {
            m["files"]["C:\\VOLKIT\\GUID.txt"] = c.file;
        }
        Scenario s(m.dump());
        EXPECT_EQ(s.Run("-func5"), 2);
        EXPECT_TRUE(Started(s).empty());
        EXPECT_FALSE(s.Machine().RegistryKeyExists(kReleaseKey64));
        const std::vector<std::string> privilege = s.Journal("privilege.adjust");
        ASSERT_FALSE(privilege.empty());
        EXPECT_NE(privilege.back().find("disabled"), std::string::npos);
        EXPECT_NE(Log(s).find(c.logged), std::string::npos) << Log(s);
    }
}

// Installation: the installer beside the program, with "-s -b", its path quoted when the
// program's folder holds a blank; a restart is asked for once it has ended.
TEST(IrstInstall, StartsTheInstallerBesideTheProgram) {
    struct Case {
        const char* program;
        const char* expected;
    };
    const Case cases[] = {
        {"C:\\VOLKIT\\VOLKIT.exe", "C:\\VOLKIT\\setuprst157.exe -s -b"},
        {"C:\\My Tools\\VOLKIT.exe", "\"C:\\My Tools\\setuprst157.exe\" -s -b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program);
        const std::string program = c.program;
        const std::string dir = program.substr(0, program.rfind('\\') + 1);
        Json m = IrstMachine();
        m["paths"] = {{"program", program}};
        m["libraries"] = {{"qvx.dll", {{"place", "program"}}}};
        m["files"][dir + "setuprst157.exe"] = "MZ";
        m["programs"] = {{"setuprst157.exe", {{"durationMs", 60000}}}};
        Scenario s(m.dump());
        EXPECT_EQ(s.Run("-func6"), 0);
        EXPECT_EQ(Started(s), std::vector<std::string>{c.expected});
        EXPECT_TRUE(s.Journal("PROCESS.UNQUOTED-PATH").empty());
    }
}

TEST(IrstInstall, MissingInstallerStartsNothing) {
    Scenario s(IrstMachine().dump());
    EXPECT_EQ(s.Run("-func6"), 0);
    EXPECT_TRUE(Started(s).empty());
    EXPECT_NE(Log(s).find("could not start"), std::string::npos) << Log(s);
}

// A program folder so long that the installer's command line would not fit: refused, rather
// than started with a cut-off line.
TEST(IrstInstall, OverlongCommandLineIsRefused) {
    const std::string dir = "C:\\" + std::string(240, 'd') + "\\";
    Json m = IrstMachine();
    m["paths"] = {{"program", dir + "VOLKIT.exe"}};
    m["files"][dir + "setuprst157.exe"] = "MZ";
    Scenario s(m.dump());
    EXPECT_EQ(s.Run("-func6"), 2);
    EXPECT_TRUE(Started(s).empty());
}
