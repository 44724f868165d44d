// The Win32 implementations of the seam's interfaces, one class per interface. Only the
// implementation files of os/win32 include this header.
#pragma once

#include <string>
#include <vector>

#include "os/os.h"

namespace os::win32 {

class Win32Registry final : public Registry {
  public:
    long OpenKey(HKey parent, const std::string& path, std::uint32_t access, HKey* out) override;
    long CreateKey(HKey parent, const std::string& path, std::uint32_t access, HKey* out) override;
    long DeleteKey(HKey parent, const std::string& path) override;
    long CloseKey(HKey key) override;
    long QueryValue(HKey key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size) override;
    long SetValue(HKey key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                  std::uint32_t size) override;
};

class Win32Files final : public Files {
  public:
    bool ReadFile(const std::string& path, std::string* content) override;
    bool WriteFile(const std::string& path, const std::string& content) override;
    bool AppendFile(const std::string& path, const std::string& content) override;
    bool CanOpenForRead(const std::string& path) override;
    bool DeleteFile(const std::string& path) override;
    bool ReplaceFile(const std::string& source, const std::string& target) override;
    bool CopyFile(const std::string& source, const std::string& target, bool failIfExists) override;
    std::uint32_t GetAttributes(const std::string& path) override;
    bool SetAttributes(const std::string& path, std::uint32_t attributes) override;
    std::int64_t FileSize(const std::string& path) override;
    bool AnyMatch(const std::string& pattern) override;
    std::string ModuleFileName() override;
    bool SetCurrentDirectory(const std::string& path) override;
    std::string CurrentDirectory() override;
    std::string WindowsDirectory() override;
    std::string SystemDirectory() override;
    bool SpecialFolder(int csidl, std::string* path) override;
};

class Win32Processes final : public Processes {
  public:
    ProcessHandle StartHidden(const std::string& commandLine) override;
    void WaitForInputIdle(ProcessHandle process, std::uint32_t milliseconds) override;
    std::uint32_t Wait(ProcessHandle process, std::uint32_t milliseconds) override;
    bool ExitCode(ProcessHandle process, std::uint32_t* code) override;
    void CloseProcess(ProcessHandle process) override;
    int RunShell(const std::string& commandText) override;
    std::vector<ProcessEntry> Snapshot() override;
    ProcessHandle OpenProcess(std::uint32_t pid) override;
    bool Terminate(ProcessHandle process, std::uint32_t exitCode) override;
    [[noreturn]] void ExitProcess(int exitCode) override;
};

class Win32Services final : public Services {
  public:
    bool StopService(const std::string& name) override;
    std::uint32_t ServiceState(const std::string& name) override;
};

class Win32Devices final : public Devices {
  public:
    DeviceHandle OpenDevice(const std::string& path, std::uint32_t access,
                            std::uint32_t sharing) override;
    bool IoControl(DeviceHandle device, std::uint32_t code, const std::vector<std::uint8_t>& in,
                   std::vector<std::uint8_t>* out, std::uint32_t* returned) override;
    void CloseDevice(DeviceHandle device) override;
    std::uint32_t LogicalDrives() override;
};

class Win32Libraries final : public Libraries {
  public:
    LibraryHandle Load(const std::string& fileName) override;
    ProcAddress EntryPoint(LibraryHandle library, const std::string& name) override;
    void Free(LibraryHandle library) override;
};

class Win32Processor final : public Processor {
  public:
    CpuidRegisters Cpuid(std::uint32_t leaf) override;
    std::uintptr_t SetThreadAffinity(std::uintptr_t mask) override;
};

class Win32System final : public System {
  public:
    bool GetVersion(std::uint32_t structureSize, VersionRecord* record) override;
    bool IsWow64Process(bool* wow64) override;
    bool OpenProcessToken(std::uint32_t access, TokenHandle* token) override;
    bool LookupPrivilege(const std::string& name, std::uint64_t* luid) override;
    bool AdjustPrivilege(TokenHandle token, std::uint64_t luid, std::uint32_t attributes) override;
    void CloseToken(TokenHandle token) override;
    std::uint32_t LastError() override;
    void SetLastError(std::uint32_t error) override;
    bool ExitWindows(std::uint32_t flags) override;
    bool LoadResourceBytes(const std::string& type, unsigned id, std::string* bytes) override;
};

class Win32Windowing final : public Windowing {
  public:
    int RunModalDialog(unsigned templateId, DialogHandler* handler) override;
    void EndDialog(WindowHandle dialog, int result) override;
    WindowHandle FindTopLevelWindow(const std::string& caption) override;
    void SendClose(WindowHandle window) override;
    int MessageBox(const std::string& text, const std::string& caption,
                   std::uint32_t style) override;
    bool SetTimer(WindowHandle window, unsigned id, std::uint32_t milliseconds) override;
    void KillTimer(WindowHandle window, unsigned id) override;
    void SetDialogIcon(WindowHandle dialog, unsigned iconId) override;
    std::string LoadString(unsigned id) override;
    bool AppendSystemMenuItem(WindowHandle dialog, unsigned command,
                              const std::string& text) override;
    void InitCommonControls() override;
};

class Win32Clock final : public Clock {
  public:
    void Sleep(std::uint32_t milliseconds) override;
    std::uint64_t NowMilliseconds() override;
    std::string LocalTimeText() override;
};

}  // namespace os::win32
