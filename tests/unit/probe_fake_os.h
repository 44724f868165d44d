// A small in-memory operating system for the platform and driver-start tests: libraries whose
// entry points are the test's own functions, a processor with an affinity mask, a registry that
// records what is opened, written and deleted, and a log that is kept as text. Everything else
// answers as "nothing there".
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/run_context.h"
#include "null_os.h"
#include "os/os.h"

namespace probe_test {

class FakeRegistry : public os::Registry {
  public:
    // Keys that exist, as full paths below HKEY_LOCAL_MACHINE.
    std::set<std::string> keys;
    // What happened, one entry per call: "open <path>[ 64]", "fail <path>[ 64]",
    // "set <path> <name>=<value>", "delete <path>", "nodelete <path>".
    std::vector<std::string> events;

    long OpenKey(os::HKey, const std::string& path, std::uint32_t access, os::HKey* out) override {
        const std::string view = (access & os::kKeyWow64_64Key) ? " 64" : "";
        if (keys.count(path) == 0) {
            events.push_back("fail " + path + view);
            return os::kErrorFileNotFound;
        }
        events.push_back("open " + path + view);
        handles_[++lastHandle_] = path;
        *out = lastHandle_;
        return os::kErrorSuccess;
    }
    long CreateKey(os::HKey parent, const std::string& path, std::uint32_t access,
                   os::HKey* out) override {
        keys.insert(path);
        return OpenKey(parent, path, access, out);
    }
    long DeleteKey(os::HKey, const std::string& path) override {
        if (keys.erase(path) == 0) {
            events.push_back("nodelete " + path);
            return os::kErrorFileNotFound;
        }
        events.push_back("delete " + path);
        return os::kErrorSuccess;
    }
    long CloseKey(os::HKey key) override {
        handles_.erase(key);
        return os::kErrorSuccess;
    }
    long QueryValue(os::HKey, const std::string&, std::uint32_t*, std::uint8_t*,
                    std::uint32_t*) override {
        return os::kErrorFileNotFound;
    }
    long SetValue(os::HKey key, const std::string& name, std::uint32_t type,
                  const std::uint8_t* data, std::uint32_t size) override {
        auto it = handles_.find(key);
        if (it == handles_.end()) return os::kErrorInvalidHandle;
        std::uint32_t value = 0;
        if (type == os::kRegDword && size == 4) {
            value =
                data[0] | data[1] << 8 | data[2] << 16 | static_cast<std::uint32_t>(data[3]) << 24;
        }
        events.push_back("set " + it->second + " " + name + "=" + std::to_string(value));
        return os::kErrorSuccess;
    }

    // The events of one kind prefix ("set", "delete", ...), in order.
    std::vector<std::string> Events(const std::string& kind) const {
        std::vector<std::string> out;
        for (const std::string& e : events) {
            if (e.rfind(kind + " ", 0) == 0) out.push_back(e);
        }
        return out;
    }

  private:
    std::map<os::HKey, std::string> handles_;
    os::HKey lastHandle_ = 0x1000;
};

class FakeFiles : public os::Files {
  public:
    std::string moduleFileName = "C:\\VOLKIT\\VOLKIT.exe";
    std::string currentDirectory = "C:\\Windows\\system32\\";
    std::map<std::string, std::string> written;

    bool ReadFile(const std::string&, std::string*) override { return false; }
    bool WriteFile(const std::string& path, const std::string& content) override {
        written[path] = content;
        return true;
    }
    bool AppendFile(const std::string& path, const std::string& content) override {
        written[path] += content;
        return true;
    }
    bool CanOpenForRead(const std::string&) override { return false; }
    bool DeleteFile(const std::string&) override { return false; }
    bool ReplaceFile(const std::string&, const std::string&) override { return false; }
    bool CopyFile(const std::string&, const std::string&, bool) override { return false; }
    std::uint32_t GetAttributes(const std::string&) override { return os::kInvalidFileAttributes; }
    bool SetAttributes(const std::string&, std::uint32_t) override { return false; }
    std::int64_t FileSize(const std::string& path) override {
        auto it = written.find(path);
        return it == written.end() ? -1 : static_cast<std::int64_t>(it->second.size());
    }
    bool AnyMatch(const std::string&) override { return false; }
    std::string ModuleFileName() override { return moduleFileName; }
    bool SetCurrentDirectory(const std::string& path) override {
        currentDirectory = path;
        return true;
    }
    std::string CurrentDirectory() override { return currentDirectory; }
    std::string WindowsDirectory() override { return "C:\\Windows"; }
    std::string SystemDirectory() override { return "C:\\Windows\\system32"; }
    bool SpecialFolder(int, std::string*) override { return false; }
};

class FakeProcesses : public os::Processes {
  public:
    os::ProcessHandle StartHidden(const std::string&) override { return 0; }
    void WaitForInputIdle(os::ProcessHandle, std::uint32_t) override {}
    std::uint32_t Wait(os::ProcessHandle, std::uint32_t) override { return os::kWaitFailed; }
    bool ExitCode(os::ProcessHandle, std::uint32_t*) override { return false; }
    void CloseProcess(os::ProcessHandle) override {}
    int RunShell(const std::string&) override { return -1; }
    std::vector<os::ProcessEntry> Snapshot() override { return {}; }
    os::ProcessHandle OpenProcess(std::uint32_t) override { return 0; }
    bool Terminate(os::ProcessHandle, std::uint32_t) override { return false; }
    [[noreturn]] void ExitProcess(int exitCode) override { throw exitCode; }
};

using FakeServices = null_os::Services;

using FakeDevices = null_os::Devices;

// Libraries by file name, each a table of entry points.
class FakeLibraries : public os::Libraries {
  public:
    std::map<std::string, std::map<std::string, os::ProcAddress>> libraries;
    std::vector<std::string> loaded;  // names, in load order
    int outstanding = 0;              // loads not yet freed

    os::LibraryHandle Load(const std::string& fileName) override {
        auto it = libraries.find(fileName);
        if (it == libraries.end()) return 0;
        loaded.push_back(fileName);
        ++outstanding;
        handles_[++last_] = fileName;
        return last_;
    }
    os::ProcAddress EntryPoint(os::LibraryHandle library, const std::string& name) override {
        auto handle = handles_.find(library);
        if (handle == handles_.end()) return nullptr;
        const auto& table = libraries[handle->second];
        auto it = table.find(name);
        return it == table.end() ? nullptr : it->second;
    }
    void Free(os::LibraryHandle library) override {
        if (handles_.count(library) != 0) --outstanding;
    }

  private:
    std::map<os::LibraryHandle, std::string> handles_;
    os::LibraryHandle last_ = 0x10000;
};

class FakeProcessor : public os::Processor {
  public:
    std::uintptr_t affinity = 0x3;
    std::vector<std::uintptr_t> affinityHistory;  // every mask set, in order
    os::CpuidRegisters leaf1{0x000306C3u, 0, 0, 0};

    os::CpuidRegisters Cpuid(std::uint32_t leaf) override {
        return leaf == 1 ? leaf1 : os::CpuidRegisters{};
    }
    std::uintptr_t SetThreadAffinity(std::uintptr_t mask) override {
        const std::uintptr_t previous = affinity;
        affinity = mask;
        affinityHistory.push_back(mask);
        return previous;
    }
};

class FakeSystem : public os::System {
  public:
    bool GetVersion(std::uint32_t, os::VersionRecord* record) override {
        record->majorVersion = 6;
        record->minorVersion = 1;
        record->platformId = os::kVerPlatformWin32Nt;
        return true;
    }
    bool IsWow64Process(bool* wow64) override {
        *wow64 = false;
        return true;
    }
    bool OpenProcessToken(std::uint32_t, TokenHandle*) override { return false; }
    bool LookupPrivilege(const std::string&, std::uint64_t*) override { return false; }
    bool AdjustPrivilege(TokenHandle, std::uint64_t, std::uint32_t) override { return false; }
    void CloseToken(TokenHandle) override {}
    std::uint32_t LastError() override { return 0; }
    void SetLastError(std::uint32_t) override {}
    bool ExitWindows(std::uint32_t) override { return false; }
    bool LoadResourceBytes(const std::string&, unsigned, std::string*) override { return false; }
};

class FakeWindowing : public os::Windowing {
  public:
    int RunModalDialog(unsigned, os::DialogHandler*) override { return 0; }
    void EndDialog(os::WindowHandle, int) override {}
    os::WindowHandle FindTopLevelWindow(const std::string&) override { return 0; }
    void SendClose(os::WindowHandle) override {}
    int MessageBox(const std::string&, const std::string&, std::uint32_t) override { return 0; }
    bool SetTimer(os::WindowHandle, unsigned, std::uint32_t) override { return false; }
    void KillTimer(os::WindowHandle, unsigned) override {}
    void SetDialogIcon(os::WindowHandle, unsigned) override {}
    std::string LoadString(unsigned) override { return {}; }
    bool AppendSystemMenuItem(os::WindowHandle, unsigned, const std::string&) override {
        return false;
    }
    void InitCommonControls() override {}
};

class FakeClock : public os::Clock {
  public:
    void Sleep(std::uint32_t milliseconds) override { now += milliseconds; }
    std::uint64_t NowMilliseconds() override { return now; }
    std::string LocalTimeText() override { return "2026-12-11 12:00:00"; }
    std::uint64_t now = 0;
};

// The whole fake machine with a run context on it; the log lands in files.written.
struct FakeMachine {
    FakeRegistry registry;
    FakeFiles files;
    FakeProcesses processes;
    FakeServices services;
    FakeDevices devices;
    FakeLibraries libraries;
    FakeProcessor processor;
    FakeSystem system;
    FakeWindowing windowing;
    FakeClock clock;
    os::Os os{registry,  files,     processes, services,  devices,
              libraries, processor, system,    windowing, clock};
    RunContext ctx{os};

    FakeMachine() { ctx.log.SetDirectory("C:\\VOLKIT\\"); }

    std::string LogText() const {
        auto it = files.written.find("C:\\VOLKIT\\volkit.log");
        return it == files.written.end() ? std::string() : it->second;
    }
};

template <typename Fn>
os::ProcAddress Entry(Fn fn) {
    return reinterpret_cast<os::ProcAddress>(fn);
}

}  // namespace probe_test
