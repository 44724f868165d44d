// A small scripted stand-in for the OS seam, for unit tests that must feed the program what no
// real machine shows on demand (a version record, a token without a privilege, a CPU vendor).
// It builds in both builds; tests against the real Windows seam use tests/support instead.
#pragma once

#include <cstring>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "null_os.h"
#include "os/os.h"

namespace fake {

// Registry keys are addressed by their path (case-sensitive here) and the view asked for.
class Registry : public os::Registry {
  public:
    struct Value {
        std::uint32_t type = 0;
        std::string data;
    };
    // key path -> value name -> value; view64 selects the native view.
    std::map<std::tuple<bool, std::string>, std::map<std::string, Value>> keys;
    std::vector<std::uint32_t> openAccess;  // access masks asked for by each open
    int closes = 0;

    long OpenKey(os::HKey, const std::string& path, std::uint32_t access, os::HKey* out) override {
        openAccess.push_back(access);
        const auto key = std::make_tuple((access & os::kKeyWow64_64Key) != 0, path);
        if (keys.find(key) == keys.end()) {
            *out = 0;
            return os::kErrorFileNotFound;
        }
        *out = Handle(key);
        return os::kErrorSuccess;
    }
    long CreateKey(os::HKey, const std::string& path, std::uint32_t access,
                   os::HKey* out) override {
        const auto key = std::make_tuple((access & os::kKeyWow64_64Key) != 0, path);
        keys[key];
        *out = Handle(key);
        return os::kErrorSuccess;
    }
    long DeleteKey(os::HKey, const std::string& path) override {
        return keys.erase(std::make_tuple(false, path)) ? os::kErrorSuccess
                                                        : os::kErrorFileNotFound;
    }
    long CloseKey(os::HKey) override {
        ++closes;
        return os::kErrorSuccess;
    }
    long QueryValue(os::HKey key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size) override {
        auto& values = keys.at(handles_.at(key - 1));
        auto it = values.find(name);
        if (it == values.end()) return os::kErrorFileNotFound;
        *type = it->second.type;
        const auto length = static_cast<std::uint32_t>(it->second.data.size());
        const std::uint32_t room = *size;
        *size = length;
        if (data == nullptr) return os::kErrorSuccess;
        if (length > room) return os::kErrorMoreData;
        std::memcpy(data, it->second.data.data(), length);
        return os::kErrorSuccess;
    }
    long SetValue(os::HKey key, const std::string& name, std::uint32_t type,
                  const std::uint8_t* data, std::uint32_t size) override {
        keys.at(handles_.at(key - 1))[name] =
            Value{type, std::string(reinterpret_cast<const char*>(data), size)};
        return os::kErrorSuccess;
    }

    void SetString(bool view64, const std::string& path, const std::string& name,
                   const std::string& text) {
        keys[std::make_tuple(view64, path)][name] = Value{os::kRegSz, text + std::string(1, '\0')};
    }

  private:
    os::HKey Handle(const std::tuple<bool, std::string>& key) {
        handles_.push_back(key);
        return handles_.size();
    }
    std::vector<std::tuple<bool, std::string>> handles_;
};

class Files : public os::Files {
  public:
    std::string windowsDirectory = "C:\\Windows";
    std::string moduleFileName = "C:\\VOLKIT\\VOLKIT.exe";
    std::vector<std::string> patternsWithMatches;
    std::vector<std::string> patternsAsked;
    std::map<std::string, std::string> files;
    std::string currentDirectory;

    bool ReadFile(const std::string& path, std::string* content) override {
        auto it = files.find(path);
        if (it == files.end()) return false;
        *content = it->second;
        return true;
    }
    bool WriteFile(const std::string& path, const std::string& content) override {
        files[path] = content;
        return true;
    }
    bool AppendFile(const std::string& path, const std::string& content) override {
        files[path] += content;
        return true;
    }
    bool CanOpenForRead(const std::string& path) override { return files.count(path) != 0; }
    bool DeleteFile(const std::string& path) override { return files.erase(path) != 0; }
    bool ReplaceFile(const std::string& source, const std::string& target) override {
        files[target] = files[source];
        files.erase(source);
        return true;
    }
    bool CopyFile(const std::string& source, const std::string& target, bool) override {
        if (!files.count(source)) return false;
        files[target] = files[source];
        return true;
    }
    std::uint32_t GetAttributes(const std::string& path) override {
        return files.count(path) ? os::kFileAttributeNormal : os::kInvalidFileAttributes;
    }
    bool SetAttributes(const std::string&, std::uint32_t) override { return true; }
    std::int64_t FileSize(const std::string& path) override {
        auto it = files.find(path);
        return it == files.end() ? -1 : static_cast<std::int64_t>(it->second.size());
    }
    bool AnyMatch(const std::string& pattern) override {
        patternsAsked.push_back(pattern);
        for (const auto& p : patternsWithMatches) {
            if (p == pattern) return true;
        }
        return false;
    }
    std::string ModuleFileName() override { return moduleFileName; }
    bool SetCurrentDirectory(const std::string& path) override {
        currentDirectory = path;
        return true;
    }
    std::string CurrentDirectory() override { return currentDirectory; }
    std::string WindowsDirectory() override { return windowsDirectory; }
    std::string SystemDirectory() override { return windowsDirectory + "\\system32"; }
    bool SpecialFolder(int, std::string*) override { return false; }
};

// Processes: each started program ends after a scripted run time on the shared clock.
class Clock : public os::Clock {
  public:
    std::uint64_t now = 0;
    std::vector<std::uint32_t> sleeps;
    void Sleep(std::uint32_t ms) override {
        sleeps.push_back(ms);
        now += ms;
    }
    std::uint64_t NowMilliseconds() override { return now; }
    std::string LocalTimeText() override { return "2026-01-01 00:00:00"; }
};

class Processes : public os::Processes {
  public:
    explicit Processes(Clock& clock) : clock_(clock) {}
    struct Program {
        std::string commandLine;
        std::uint64_t endsAt = 0;
        std::uint32_t exitCode = 0;
        bool closed = false;
    };
    // What the next start does: run time in ms, or a failed start when startFails.
    std::uint64_t nextRunTime = 0;
    std::uint32_t nextExitCode = 0;
    bool startFails = false;
    std::vector<Program> programs;
    std::vector<std::uint32_t> inputIdleBounds;
    std::vector<std::uint32_t> waitBounds;

    os::ProcessHandle StartHidden(const std::string& commandLine) override {
        if (startFails) return 0;
        programs.push_back(Program{commandLine, clock_.now + nextRunTime, nextExitCode, false});
        return programs.size();
    }
    void WaitForInputIdle(os::ProcessHandle, std::uint32_t ms) override {
        inputIdleBounds.push_back(ms);
    }
    std::uint32_t Wait(os::ProcessHandle process, std::uint32_t ms) override {
        waitBounds.push_back(ms);
        if (process == 0 || process > programs.size()) return os::kWaitFailed;
        Program& p = programs[process - 1];
        if (p.endsAt <= clock_.now) return os::kWaitObject0;
        if (p.endsAt <= clock_.now + ms) {
            clock_.now = p.endsAt;
            return os::kWaitObject0;
        }
        clock_.now += ms;
        return os::kWaitTimeout;
    }
    bool ExitCode(os::ProcessHandle process, std::uint32_t* code) override {
        if (process == 0 || process > programs.size()) return false;
        const Program& p = programs[process - 1];
        *code = p.endsAt <= clock_.now ? p.exitCode : os::kStillActive;
        return true;
    }
    void CloseProcess(os::ProcessHandle process) override {
        if (process == 0 || process > programs.size()) throw std::logic_error("bad handle closed");
        if (programs[process - 1].closed) throw std::logic_error("handle closed twice");
        programs[process - 1].closed = true;
    }
    int RunShell(const std::string&) override { return 0; }
    std::vector<os::ProcessEntry> Snapshot() override { return {}; }
    os::ProcessHandle OpenProcess(std::uint32_t) override { return 0; }
    bool Terminate(os::ProcessHandle, std::uint32_t) override { return false; }
    [[noreturn]] void ExitProcess(int exitCode) override { throw Exit{exitCode}; }

    struct Exit {
        int code;
    };

  private:
    Clock& clock_;
};

class System : public os::System {
  public:
    // GetVersion: which structure sizes succeed, and the record returned.
    bool exSizeWorks = true;
    bool plainSizeWorks = true;
    os::VersionRecord version;
    std::vector<std::uint32_t> versionSizesAsked;
    std::optional<bool> wow64;  // nullopt: IsWow64Process absent

    // Token: which step fails, and the last error each step leaves.
    bool tokenOpens = true;
    bool privilegeFound = true;
    bool adjustSucceeds = true;
    std::uint32_t errorAfterOpen = os::kErrorAccessDenied;
    std::uint32_t errorAfterLookup = 1313;
    std::uint32_t errorAfterAdjust = 0;
    std::vector<std::uint32_t> adjustAttributes;
    int tokensOpen = 0;
    std::vector<std::uint32_t> exitWindowsFlags;

    bool GetVersion(std::uint32_t size, os::VersionRecord* record) override {
        versionSizesAsked.push_back(size);
        const bool works = size == os::kOsVersionInfoExSize ? exSizeWorks : plainSizeWorks;
        if (works) *record = version;
        return works;
    }
    bool IsWow64Process(bool* answer) override {
        if (!wow64) return false;
        *answer = *wow64;
        return true;
    }
    bool OpenProcessToken(std::uint32_t, TokenHandle* token) override {
        if (!tokenOpens) {
            lastError_ = errorAfterOpen;
            return false;
        }
        ++tokensOpen;
        *token = 77;
        return true;
    }
    bool LookupPrivilege(const std::string& name, std::uint64_t* luid) override {
        if (!privilegeFound || name != "SeShutdownPrivilege") {
            lastError_ = errorAfterLookup;
            return false;
        }
        *luid = 19;
        return true;
    }
    bool AdjustPrivilege(TokenHandle token, std::uint64_t luid, std::uint32_t attributes) override {
        if (token != 77 || luid != 19) throw std::logic_error("adjusted the wrong token");
        adjustAttributes.push_back(attributes);
        lastError_ = errorAfterAdjust;
        return adjustSucceeds;
    }
    void CloseToken(TokenHandle) override { --tokensOpen; }
    std::uint32_t LastError() override { return lastError_; }
    void SetLastError(std::uint32_t error) override { lastError_ = error; }
    bool ExitWindows(std::uint32_t flags) override {
        exitWindowsFlags.push_back(flags);
        return true;
    }
    bool LoadResourceBytes(const std::string&, unsigned, std::string*) override { return false; }

  private:
    std::uint32_t lastError_ = 0;
};

class Windowing : public os::Windowing {
  public:
    struct Box {
        std::string text, caption;
        std::uint32_t style;
    };
    std::vector<Box> boxes;
    std::map<unsigned, std::uint32_t> timers;  // armed timers: id -> period
    int timersKilled = 0;
    std::vector<unsigned> dialogsRun;
    int RunModalDialog(unsigned templateId, os::DialogHandler*) override {
        dialogsRun.push_back(templateId);
        return 1;
    }
    void EndDialog(os::WindowHandle, int) override {}
    os::WindowHandle FindTopLevelWindow(const std::string&) override { return 0; }
    void SendClose(os::WindowHandle) override {}
    int MessageBox(const std::string& text, const std::string& caption,
                   std::uint32_t style) override {
        boxes.push_back(Box{text, caption, style});
        return 1;
    }
    bool SetTimer(os::WindowHandle, unsigned id, std::uint32_t ms) override {
        timers[id] = ms;
        return true;
    }
    void KillTimer(os::WindowHandle, unsigned id) override {
        timers.erase(id);
        ++timersKilled;
    }
    void SetDialogIcon(os::WindowHandle, unsigned) override {}
    std::string LoadString(unsigned) override { return {}; }
    bool AppendSystemMenuItem(os::WindowHandle, unsigned, const std::string&) override {
        return false;
    }
    void InitCommonControls() override {}
};

class Processor : public os::Processor {
  public:
    os::CpuidRegisters leaf0;
    os::CpuidRegisters Cpuid(std::uint32_t leaf) override {
        return leaf == 0 ? leaf0 : os::CpuidRegisters{};
    }
    std::uintptr_t SetThreadAffinity(std::uintptr_t) override { return 1; }
};

using Services = null_os::Services;

using Devices = null_os::Devices;

class Libraries : public os::Libraries {
  public:
    os::LibraryHandle Load(const std::string&) override { return 0; }
    os::ProcAddress EntryPoint(os::LibraryHandle, const std::string&) override { return nullptr; }
    void Free(os::LibraryHandle) override {}
};

// The whole fake machine.
struct Machine {
    Registry registry;
    Files files;
    Clock clock;
    Processes processes{clock};
    Services services;
    Devices devices;
    Libraries libraries;
    Processor processor;
    System system;
    Windowing windowing;
    os::Os os{registry,  files,     processes, services,  devices,
              libraries, processor, system,    windowing, clock};
};

}  // namespace fake
