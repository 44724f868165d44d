// The simulated PC's own behaviour: what the program's code relies on when it runs against it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "os/sim/core.h"
#include "os/winconst.h"
#include "support/scenario.h"

namespace {

std::string ReadString(os::Registry& reg, os::HKey key, const std::string& name) {
    std::uint8_t buffer[256] = {};
    std::uint32_t size = sizeof buffer, type = 0;
    if (reg.QueryValue(key, name, &type, buffer, &size) != os::kErrorSuccess) return "<missing>";
    return std::string(reinterpret_cast<char*>(buffer), size > 0 ? size - 1 : 0);
}

long WriteString(os::Registry& reg, os::HKey key, const std::string& name,
                 const std::string& value) {
    return reg.SetValue(key, name, os::kRegSz, reinterpret_cast<const std::uint8_t*>(value.c_str()),
                        static_cast<std::uint32_t>(value.size() + 1));
}

}  // namespace

// Where a key created by the 32-bit program lands, by machine bitness, hive and view flag.
TEST(SimRegistry, ViewsOfThe32BitProgram) {
    struct Case {
        bool machine64;
        std::string path;
        std::uint32_t access;
        std::string stored;
    };
    const Case cases[] = {
        {true, "SOFTWARE\\Vendor\\App", os::kKeyAllAccess,
         "HKLM\\SOFTWARE\\WOW6432Node\\Vendor\\App"},
        {true, "Software\\Vendor\\App", os::kKeyAllAccess | os::kKeyWow64_64Key,
         "HKLM\\Software\\Vendor\\App"},
        {true, "SOFTWARE\\Vendor\\App", os::kKeyAllAccess | os::kKeyWow64_32Key,
         "HKLM\\SOFTWARE\\WOW6432Node\\Vendor\\App"},
        {true, "SOFTWAREX\\App", os::kKeyAllAccess, "HKLM\\SOFTWAREX\\App"},
        {true, "SYSTEM\\CurrentControlSet\\Services\\x", os::kKeyAllAccess,
         "HKLM\\SYSTEM\\CurrentControlSet\\Services\\x"},
        {false, "SOFTWARE\\Vendor\\App", os::kKeyAllAccess, "HKLM\\SOFTWARE\\Vendor\\App"},
    };
    for (const Case& c : cases) {
        Scenario s(c.machine64 ? "{}" : R"({"windows": {"is64Bit": false}})");
        os::Registry& reg = s.Os().registry;
        os::HKey key = 0;
        ASSERT_EQ(reg.CreateKey(os::kHkeyLocalMachine, c.path, c.access, &key), os::kErrorSuccess);
        ASSERT_EQ(WriteString(reg, key, "v", "x"), os::kErrorSuccess);
        reg.CloseKey(key);
        EXPECT_EQ(s.RegistryText(c.stored, "v"), "x") << c.path;
        // Read back through the same view, and not through the other one.
        EXPECT_EQ(reg.OpenKey(os::kHkeyLocalMachine, c.path, c.access, &key), os::kErrorSuccess);
        reg.CloseKey(key);
        if (c.machine64 && c.stored.find("WOW6432Node") != std::string::npos) {
            EXPECT_EQ(reg.OpenKey(os::kHkeyLocalMachine, c.path,
                                  os::kKeyAllAccess | os::kKeyWow64_64Key, &key),
                      os::kErrorFileNotFound)
                << c.path;
        }
    }
}

TEST(SimRegistry, DescribedValuesAndQuerySizes) {
    Scenario s(R"({"registry": {
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Intel\\IRST": {"Version": "14.8.0.1042", "Count": 3},
        "HKLM\\SOFTWARE\\WOW6432Node\\Intel\\IRST": {"Version": "14.8.0.1042"}}})");
    os::Registry& reg = s.Os().registry;
    os::HKey key = 0;
    ASSERT_EQ(reg.OpenKey(os::kHkeyLocalMachine, "software\\intel\\irst",
                          os::kKeyAllAccess | os::kKeyWow64_64Key, &key),
              os::kErrorSuccess);
    EXPECT_EQ(ReadString(reg, key, "version"), "14.8.0.1042");

    std::uint32_t type = 0, size = 0;
    EXPECT_EQ(reg.QueryValue(key, "Version", &type, nullptr, &size), os::kErrorSuccess);
    EXPECT_EQ(type, os::kRegSz);
    EXPECT_EQ(size, 12u);
    std::uint8_t small[4];
    size = sizeof small;
    EXPECT_EQ(reg.QueryValue(key, "Version", &type, small, &size), os::kErrorMoreData);
    EXPECT_EQ(size, 12u);

    std::uint32_t count = 0;
    size = sizeof count;
    EXPECT_EQ(reg.QueryValue(key, "Count", &type, reinterpret_cast<std::uint8_t*>(&count), &size),
              os::kErrorSuccess);
    EXPECT_EQ(type, os::kRegDword);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(reg.QueryValue(key, "Absent", &type, nullptr, &size), os::kErrorFileNotFound);
    reg.CloseKey(key);
    EXPECT_EQ(reg.QueryValue(key, "Version", &type, nullptr, &size), os::kErrorInvalidHandle);
}

TEST(SimRegistry, DeleteRefusesKeysWithSubkeysAndIsJournaled) {
    Scenario s(R"({"registry": {"HKLM\\SYSTEM\\A\\B": {}, "HKLM\\SYSTEM\\A-Z": {}}})");
    os::Registry& reg = s.Os().registry;
    EXPECT_EQ(reg.DeleteKey(os::kHkeyLocalMachine, "SYSTEM\\A"), os::kErrorAccessDenied);
    EXPECT_EQ(reg.DeleteKey(os::kHkeyLocalMachine, "SYSTEM\\A\\B"), os::kErrorSuccess);
    EXPECT_EQ(reg.DeleteKey(os::kHkeyLocalMachine, "SYSTEM\\A"), os::kErrorSuccess);
    EXPECT_EQ(reg.DeleteKey(os::kHkeyLocalMachine, "SYSTEM\\A"), os::kErrorFileNotFound);
    EXPECT_TRUE(s.Machine().RegistryKeyExists("HKLM\\SYSTEM\\A-Z"));
    EXPECT_EQ(s.Journal("registry.delete-key"),
              (std::vector<std::string>{"HKLM\\SYSTEM\\A\\B", "HKLM\\SYSTEM\\A"}));
}

TEST(SimFiles, WindowsPathsAreCaseInsensitiveAndStayInsideTheDrives) {
    Scenario s(R"({"files": {"C:\\Windows\\System32\\Drivers\\iaStorA.sys": "driver"},
                   "logicalDrives": ["C", "D"]})");
    os::Files& files = s.Os().files;
    std::string content;
    EXPECT_TRUE(files.ReadFile("c:\\WINDOWS\\system32\\DRIVERS\\IASTORA.SYS", &content));
    EXPECT_EQ(content, "driver");

    ASSERT_TRUE(files.SetCurrentDirectory("c:\\windows"));
    EXPECT_EQ(files.CurrentDirectory(), "C:\\windows");
    EXPECT_TRUE(files.WriteFile("Kcli.txt", "one"));
    EXPECT_TRUE(files.AppendFile("KCLI.TXT", "two"));
    EXPECT_EQ(s.File("C:\\Windows\\kcli.txt"), "onetwo");
    EXPECT_EQ(files.FileSize("C:\\WINDOWS\\KCLI.txt"), 6);

    // "..", device paths, bad names, a missing folder and a missing drive go nowhere.
    EXPECT_TRUE(files.WriteFile("..\\..\\..\\escape.txt", "x"));
    EXPECT_TRUE(s.File("C:\\escape.txt").has_value());
    EXPECT_FALSE(files.WriteFile("\\\\.\\PhysicalDrive0", "x"));
    EXPECT_FALSE(files.WriteFile("C:\\a|b.txt", "x"));
    EXPECT_FALSE(files.WriteFile("C:\\NoSuchFolder\\x.txt", "x"));
    EXPECT_FALSE(files.WriteFile("E:\\x.txt", "x"));
    EXPECT_TRUE(files.WriteFile("D:\\x.txt", "x"));

    EXPECT_EQ(files.GetAttributes("C:\\WINDOWS"), os::kFileAttributeDirectory);
    EXPECT_EQ(files.GetAttributes("C:\\nothing"), os::kInvalidFileAttributes);
    EXPECT_TRUE(files.AnyMatch("C:\\Windows\\SysWow64\\*.*"));
    EXPECT_TRUE(files.AnyMatch("C:\\Windows\\*.TXT"));
    EXPECT_FALSE(files.AnyMatch("C:\\Windows\\*.bat"));

    EXPECT_TRUE(files.ReplaceFile("C:\\Windows\\kcli.txt", "C:\\Windows\\moved.txt"));
    EXPECT_FALSE(files.CanOpenForRead("C:\\Windows\\kcli.txt"));
    EXPECT_TRUE(files.SetAttributes("C:\\Windows\\moved.txt", 1));
    EXPECT_FALSE(files.DeleteFile("C:\\Windows\\moved.txt"));  // read-only
    EXPECT_TRUE(files.SetAttributes("C:\\Windows\\moved.txt", os::kFileAttributeNormal));
    EXPECT_TRUE(files.DeleteFile("C:\\Windows\\moved.txt"));
    EXPECT_EQ(s.Journal("file.delete"), std::vector<std::string>{"C:\\Windows\\moved.txt"});
}

TEST(SimFiles, ThirtyTwoBitMachineHasNoSysWow64) {
    Scenario s(R"({"windows": {"is64Bit": false}})");
    EXPECT_FALSE(s.Os().files.AnyMatch("C:\\Windows\\SysWow64\\*.*"));
    bool wow64 = true;
    EXPECT_TRUE(s.Os().system.IsWow64Process(&wow64));
    EXPECT_FALSE(wow64);
    std::string folder;
    EXPECT_TRUE(s.Os().files.SpecialFolder(os::kCsidlProgramFiles, &folder));
    EXPECT_EQ(folder, "C:\\Program Files");
}

// Waits end when the program ends; the bound is only the upper limit. Virtual time shows both.
TEST(SimProcesses, WaitsEndWithTheProgramOrAtTheBound) {
    Scenario s(R"({"programs": {
        "setup.exe": {"durationMs": 5000, "exitCode": 3},
        "hang.exe": {"durationMs": "never"}},
        "files": {"C:\\VOLKIT\\setup.exe": "MZ", "C:\\VOLKIT\\hang.exe": "MZ"}})");
    os::Processes& p = s.Os().processes;
    const os::ProcessHandle setup = p.StartHidden("C:\\VOLKIT\\setup.exe -s");
    ASSERT_NE(setup, 0u);
    std::uint32_t code = 0;
    EXPECT_EQ(p.Wait(setup, 1000), os::kWaitTimeout);
    EXPECT_EQ(s.Machine().Now(), 1000u);
    EXPECT_TRUE(p.ExitCode(setup, &code));
    EXPECT_EQ(code, os::kStillActive);
    EXPECT_EQ(p.Snapshot().size(), 1u);
    EXPECT_EQ(p.Wait(setup, 100000), os::kWaitObject0);
    EXPECT_EQ(s.Machine().Now(), 5000u);
    EXPECT_TRUE(p.ExitCode(setup, &code));
    EXPECT_EQ(code, 3u);
    EXPECT_TRUE(p.Snapshot().empty());

    const os::ProcessHandle hang = p.StartHidden("hang.exe");
    ASSERT_NE(hang, 0u);
    EXPECT_EQ(p.Wait(hang, 100000), os::kWaitTimeout);
    EXPECT_EQ(s.Machine().Now(), 105000u);
    EXPECT_TRUE(p.Terminate(hang, 1));
    EXPECT_EQ(p.Wait(hang, 100000), os::kWaitObject0);
    EXPECT_EQ(s.Machine().Now(), 105000u);

    s.Os().clock.Sleep(2500);
    EXPECT_EQ(s.Os().clock.NowMilliseconds(), 107500u);
}

TEST(SimProcesses, WhatStartsAndWhatDoesNot) {
    Scenario s(R"({"programs": {"diskpart": {"systemProgram": true, "durationMs": 10},
                                "setup.exe": {"durationMs": 10}},
                   "files": {"C:\\VOLKIT\\plain.exe": "MZ", "C:\\My Tools\\tool.exe": "MZ",
                             "C:\\VOLKIT\\Setup.exe": "MZ"}})");
    os::Processes& p = s.Os().processes;
    EXPECT_EQ(p.StartHidden("nosuch.exe -x"), 0u);
    EXPECT_NE(p.StartHidden("plain.exe"), 0u);             // found beside the program, no model
    EXPECT_NE(p.StartHidden("diskpart /s list.txt"), 0u);  // part of Windows
    EXPECT_NE(p.StartHidden("\"C:\\My Tools\\tool.exe\" /q"), 0u);
    EXPECT_TRUE(s.Journal("PROCESS.UNQUOTED-PATH").empty());
    // Windows finds an unquoted path with a blank too, but only after trying "C:\My.exe": an
    // elevated program must not rely on that.
    EXPECT_NE(p.StartHidden("C:\\My Tools\\tool.exe /q"), 0u);
    EXPECT_EQ(s.Journal("PROCESS.UNQUOTED-PATH").size(), 1u);
    EXPECT_EQ(s.Journal("process.start-failed"), std::vector<std::string>{"nosuch.exe -x"});

    // The snapshot spells a program as its file is spelt, not as the command line did.
    std::vector<std::string> names;
    for (const os::ProcessEntry& e : p.Snapshot()) names.push_back(e.exeName);
    EXPECT_EQ(names, std::vector<std::string>{"diskpart.exe"});  // the others ended at once
    EXPECT_NE(p.StartHidden("SETUP.EXE"), 0u);
    EXPECT_EQ(p.Snapshot().back().exeName, "Setup.exe");
}

// A batch's redirected output appears when the command ends, not when the batch starts.
TEST(SimProcesses, BatchLinesRunThroughTheModelsWithRedirection) {
    Scenario s(R"({"programs": {"rstcli.exe": {"durationMs": 2000, "output": "REPORT\r\n"}},
                   "files": {"C:\\Windows\\rstcli.exe": "MZ",
                             "C:\\Windows\\cli.bat": "@echo off\r\nrstcli.exe -I >Kcli.txt\r\n"}})");
    os::Files& files = s.Os().files;
    ASSERT_TRUE(files.SetCurrentDirectory("C:\\Windows"));
    os::Processes& p = s.Os().processes;
    const os::ProcessHandle batch = p.StartHidden("cli.bat");
    ASSERT_NE(batch, 0u);
    EXPECT_EQ(files.FileSize("C:\\Windows\\Kcli.txt"), 0);
    s.Os().clock.Sleep(1000);
    EXPECT_EQ(files.FileSize("C:\\Windows\\Kcli.txt"), 0);
    EXPECT_EQ(p.Wait(batch, 10000), os::kWaitObject0);
    EXPECT_EQ(s.Machine().Now(), 2000u);
    EXPECT_EQ(s.File("C:\\Windows\\Kcli.txt"), "REPORT\r\n");
    const std::vector<sim::JournalEntry> starts = s.Machine().JournalOf("process.start");
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[1].detail, "rstcli.exe -I");
    EXPECT_EQ(starts[1].by, "cmd.exe");

    // system(): waits for the command; an unknown command is not an error of the simulator.
    EXPECT_EQ(p.RunShell("rstcli.exe -I >>Kcli.txt"), 0);
    EXPECT_EQ(s.Machine().Now(), 4000u);
    EXPECT_EQ(s.File("C:\\Windows\\Kcli.txt"), "REPORT\r\nREPORT\r\n");
    EXPECT_EQ(p.RunShell("nosuch >out.txt"), 9009);
    EXPECT_EQ(s.File("C:\\Windows\\out.txt"), "");
}

TEST(SimServices, StopTakesItsTime) {
    Scenario s(R"({"services": {"IAStorDataMgrSvc": {"state": "running", "stopMs": 3000},
                                "Stuck": {"stopMs": "never"}}})");
    os::Services& svc = s.Os().services;
    EXPECT_EQ(svc.ServiceState("iastordatamgrsvc"), os::kServiceRunning);
    EXPECT_TRUE(svc.StopService("IAStorDataMgrSvc"));
    EXPECT_NE(svc.ServiceState("IAStorDataMgrSvc"), os::kServiceRunning);
    EXPECT_NE(svc.ServiceState("IAStorDataMgrSvc"), os::kServiceStopped);
    s.Os().clock.Sleep(3000);
    EXPECT_EQ(svc.ServiceState("IAStorDataMgrSvc"), os::kServiceStopped);
    EXPECT_TRUE(svc.StopService("Stuck"));
    s.Os().clock.Sleep(100000);
    EXPECT_EQ(svc.ServiceState("Stuck"), os::kServiceRunning);
    EXPECT_EQ(svc.ServiceState("Absent"), 0u);
    EXPECT_FALSE(svc.StopService("Absent"));
}

namespace {

// A dialog handler that records what it receives and does what the test asks in OnInitDialog.
struct RecordingDialog : os::DialogHandler {
    os::Os* system = nullptr;
    os::WindowHandle window = 0;
    std::vector<std::string> calls;
    bool armTimer = false;
    void OnInitDialog(os::WindowHandle dialog) override {
        window = dialog;
        calls.push_back("init");
        if (armTimer) system->windowing.SetTimer(dialog, 0, 3000);
    }
    void OnCommand(unsigned id) override {
        calls.push_back("command " + std::to_string(id));
        system->windowing.EndDialog(window, static_cast<int>(id));
    }
    void OnSysCommand(unsigned) override {}
    void OnTimer(unsigned id) override {
        calls.push_back("timer " + std::to_string(id));
        if (calls.size() == 3)
            system->windowing.SendClose(system->windowing.FindTopLevelWindow("VKT"));
    }
};

}  // namespace

TEST(SimWindowing, DialogTimersFireInVirtualTimeUntilClosed) {
    Scenario s("{}");
    RecordingDialog dialog;
    dialog.system = &s.Os();
    dialog.armTimer = true;
    EXPECT_EQ(s.Os().windowing.FindTopLevelWindow("VKT"), 0u);
    EXPECT_EQ(s.Os().windowing.RunModalDialog(102, &dialog), 2);
    EXPECT_EQ(dialog.calls, (std::vector<std::string>{"init", "timer 0", "timer 0", "command 2"}));
    EXPECT_EQ(s.Machine().Now(), 6000u);
    EXPECT_EQ(s.Journal("window.close"), std::vector<std::string>{"WM_CLOSE to \"VKT\""});
    EXPECT_EQ(s.Os().windowing.FindTopLevelWindow("VKT"), 0u);

    // Without timers and without an end the dialog would wait for ever: journaled, not hung.
    RecordingDialog idle;
    idle.system = &s.Os();
    EXPECT_EQ(s.Os().windowing.RunModalDialog(102, &idle), -1);
    EXPECT_EQ(s.Journal("DIALOG.HANG").size(), 1u);

    EXPECT_EQ(s.Os().windowing.MessageBox("text", "caption", os::kMbOk), 1);
    EXPECT_EQ(s.Journal("MESSAGEBOX").size(), 1u);
}

TEST(SimRun, EmptyCommandLineClosesTheDialogAndExitsZero) {
    Scenario s("{}");
    EXPECT_EQ(s.Run(""), 0);
    EXPECT_EQ(s.Journal("window.close"), std::vector<std::string>{"WM_CLOSE to \"VKT\""});
    EXPECT_EQ(s.Journal("exit"), std::vector<std::string>{"0"});
    EXPECT_TRUE(s.Journal("MESSAGEBOX").empty());
    EXPECT_TRUE(s.File("C:\\VOLKIT\\volkit.log").has_value());
}

// Libraries load from the program's folder, then the system folder; a copy planted in the
// current folder is never loaded. Entry points the description removes are missing.
TEST(SimLibraries, SearchOrderAndMissingEntryPoints) {
    struct Case {
        std::string json;
        bool loads;
    };
    const Case cases[] = {
        {R"({"libraries": {"qvx.dll": {"place": "program"}}})", true},
        {R"({"libraries": {"qvx.dll": {"place": "system"}}})", true},
        {R"({"files": {"C:\\Users\\Public\\qvx.dll": "MZ"},
             "paths": {"currentDirectory": "C:\\Users\\Public"}})",
         false},
        {R"({"libraries": {"unknown.dll": {}}})", false},
    };
    for (const Case& c : cases) {
        Scenario s(c.json);
        os::Libraries& libs = s.Os().libraries;
        const os::LibraryHandle lib =
            libs.Load(c.json.find("unknown") == std::string::npos ? "qvx.dll" : "unknown.dll");
        EXPECT_EQ(lib != 0, c.loads) << c.json;
        if (lib) libs.Free(lib);
    }

    Scenario s(R"({"libraries": {"qvx.dll": {"missing": ["mv_inpd"]}}})");
    const os::LibraryHandle lib = s.Os().libraries.Load("QVX.DLL");
    ASSERT_NE(lib, 0u);
    EXPECT_NE(s.Os().libraries.EntryPoint(lib, "mv_outpd"), nullptr);
    EXPECT_EQ(s.Os().libraries.EntryPoint(lib, "mv_inpd"), nullptr);
    EXPECT_EQ(s.Os().libraries.EntryPoint(lib, "no_such_entry"), nullptr);
    s.Os().libraries.Free(lib);
    EXPECT_EQ(s.Os().libraries.EntryPoint(lib, "mv_outpd"), nullptr);
}

// The bundled machine loads and carries a whole operation: the 32-bit program's RunOnce value
// lands in the 32-bit view of the 64-bit Windows 7 machine.
TEST(SimRun, BundledMachineRunsAnOperation) {
    Scenario s = Scenario::FromExample("default");
    EXPECT_EQ(s.Run("-func7"), 0);
    EXPECT_EQ(
        s.RegistryText("HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
                       "TIDAL"),
        "C:\\VOLKIT\\tidalpretray.exe");
    EXPECT_FALSE(
        s.RegistryText("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "TIDAL"));
    // WM_CLOSE to the dialog comes before the end, and nothing but the log line follows it.
    const std::vector<sim::JournalEntry>& journal = s.Machine().Journal();
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(journal.back().kind, "exit");
    std::vector<std::string> tail;
    for (std::size_t i = journal.size() - 1; i-- > 0 && journal[i].kind != "window.close";)
        tail.push_back(journal[i].kind);
    EXPECT_EQ(tail, std::vector<std::string>{"file.append"});
    EXPECT_TRUE(s.Journal("MESSAGEBOX").empty());
}

// The local time the log stamps follows the virtual clock across day, month and leap-day ends.
TEST(SimClock, LocalTimeFollowsVirtualTime) {
    struct Case {
        std::string start;
        std::uint32_t sleepMs;
        std::string expected;
    };
    const Case cases[] = {
        {"2026-12-31 23:59:59", 1500, "2027-01-01 00:00:00"},
        {"2024-02-28 23:59:59", 1000, "2024-02-29 00:00:00"},
        {"2023-02-28 23:00:00", 3600 * 1000, "2023-03-01 00:00:00"},
        {"2026-12-11 09:00:00", 999, "2026-12-11 09:00:00"},
    };
    for (const Case& c : cases) {
        Scenario s(R"({"clock": {"start": ")" + c.start + R"("}})");
        s.Os().clock.Sleep(c.sleepMs);
        EXPECT_EQ(s.Os().clock.LocalTimeText(), c.expected) << c.start;
    }
}

// A wait that would never end stops the run instead of hanging the test.
TEST(SimClock, RunawayWaitsStopAtTheLimit) {
    Scenario s(R"({"clock": {"limitMs": 10000}})");
    s.Os().clock.Sleep(10000);
    EXPECT_THROW(s.Os().clock.Sleep(1), sim::SimulationLimit);
    EXPECT_EQ(s.Journal("TIME.LIMIT").size(), 1u);
}
