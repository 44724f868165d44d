// The one seam between the program and the operating system.
//
// Every contact with Windows goes through these small interfaces. Two implementations exist:
// os/win32 (thin: one Win32 call per method, single-byte "A" entry points, no decisions) and
// os/sim (a simulated PC built from a machine description, with a journal and a virtual clock).
// Paths are Windows paths ("C:\\dir\\file"); texts are single-byte strings.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "os/winconst.h"

namespace os {

// ---------------------------------------------------------------------------------------------
// Registry: RegOpenKeyExA, RegCreateKeyExA, RegDeleteKeyA, RegCloseKey, RegQueryValueExA,
// RegSetValueExA. Results are Win32 error codes (kErrorSuccess on success).
class Registry {
public:
    virtual ~Registry() = default;
    virtual long OpenKey(HKey parent, const std::string& path, std::uint32_t access, HKey* out) = 0;
    virtual long CreateKey(HKey parent, const std::string& path, std::uint32_t access,
                           HKey* out) = 0;
    virtual long DeleteKey(HKey parent, const std::string& path) = 0;
    virtual long CloseKey(HKey key) = 0;
    // RegQueryValueExA: on entry *size is the buffer's size; on return the value's type and size
    // are reported (also on kErrorMoreData). data may be null to ask for type and size only.
    virtual long QueryValue(HKey key, const std::string& name, std::uint32_t* type,
                            std::uint8_t* data, std::uint32_t* size) = 0;
    virtual long SetValue(HKey key, const std::string& name, std::uint32_t type,
                          const std::uint8_t* data, std::uint32_t size) = 0;
};

// ---------------------------------------------------------------------------------------------
// Files and folders. Relative paths resolve against the process's current directory.
class Files {
public:
    virtual ~Files() = default;
    // Reads a whole file in binary. False when it cannot be opened or read.
    virtual bool ReadFile(const std::string& path, std::string* content) = 0;
    // Creates or truncates a file and writes the bytes. False when it cannot be created or written.
    virtual bool WriteFile(const std::string& path, const std::string& content) = 0;
    // Appends bytes, creating the file when missing.
    virtual bool AppendFile(const std::string& path, const std::string& content) = 0;
    // True when the file can be opened for reading (fopen "r" and closed at once).
    virtual bool CanOpenForRead(const std::string& path) = 0;
    virtual bool DeleteFile(const std::string& path) = 0;
    // MoveFileExA with MOVEFILE_REPLACE_EXISTING: replaces target with source in one step.
    virtual bool ReplaceFile(const std::string& source, const std::string& target) = 0;
    virtual bool CopyFile(const std::string& source, const std::string& target,
                          bool failIfExists) = 0;
    // GetFileAttributesA; kInvalidFileAttributes when absent.
    virtual std::uint32_t GetAttributes(const std::string& path) = 0;
    virtual bool SetAttributes(const std::string& path, std::uint32_t attributes) = 0;
    // Size of a file in bytes, or -1 when it cannot be had.
    virtual std::int64_t FileSize(const std::string& path) = 0;
    // FindFirstFileA on a pattern such as "C:\\Windows\\SysWow64\\*.*": true when at least one
    // entry matches.
    virtual bool AnyMatch(const std::string& pattern) = 0;

    // GetModuleFileNameA of the program itself.
    virtual std::string ModuleFileName() = 0;
    virtual bool SetCurrentDirectory(const std::string& path) = 0;
    virtual std::string CurrentDirectory() = 0;
    // GetWindowsDirectoryA, GetSystemDirectoryA (no trailing backslash).
    virtual std::string WindowsDirectory() = 0;
    virtual std::string SystemDirectory() = 0;
    // SHGetFolderPathA with a CSIDL value; false when the folder cannot be determined.
    virtual bool SpecialFolder(int csidl, std::string* path) = 0;
};

// ---------------------------------------------------------------------------------------------
// Processes.
using ProcessHandle = std::uintptr_t;  // 0 = none

struct ProcessEntry {
    std::uint32_t pid = 0;
    std::string exeName;  // executable file name as the snapshot reports it
};

class Processes {
public:
    virtual ~Processes() = default;
    // CreateProcessA with no application name, the command line, handles not inherited,
    // STARTF_USESHOWWINDOW + SW_HIDE, the caller's environment and current directory.
    // Returns the process handle (0 when it could not be started); the thread handle is closed.
    virtual ProcessHandle StartHidden(const std::string& commandLine) = 0;
    // WaitForInputIdle, bounded.
    virtual void WaitForInputIdle(ProcessHandle process, std::uint32_t milliseconds) = 0;
    // WaitForSingleObject: kWaitObject0 when the process has ended, kWaitTimeout, kWaitFailed.
    virtual std::uint32_t Wait(ProcessHandle process, std::uint32_t milliseconds) = 0;
    // GetExitCodeProcess; kStillActive while it runs. False when it cannot be read.
    virtual bool ExitCode(ProcessHandle process, std::uint32_t* code) = 0;
    virtual void CloseProcess(ProcessHandle process) = 0;
    // The run-time library's system(): runs the text through the command interpreter and waits.
    virtual int RunShell(const std::string& commandText) = 0;
    // A snapshot of the running processes (CreateToolhelp32Snapshot, Process32First/Next).
    virtual std::vector<ProcessEntry> Snapshot() = 0;
    // OpenProcess(PROCESS_ALL_ACCESS) on a pid; 0 when it cannot be opened.
    virtual ProcessHandle OpenProcess(std::uint32_t pid) = 0;
    virtual bool Terminate(ProcessHandle process, std::uint32_t exitCode) = 0;
    // exit(): ends the process. The simulator unwinds to its runner instead.
    [[noreturn]] virtual void ExitProcess(int exitCode) = 0;
};

// ---------------------------------------------------------------------------------------------
// Services (service control manager).
class Services {
public:
    virtual ~Services() = default;
    // OpenSCManagerA + OpenServiceA + ControlService(SERVICE_CONTROL_STOP). False on any failure.
    virtual bool StopService(const std::string& name) = 0;
    // OpenSCManagerA + OpenServiceA + QueryServiceStatus: dwCurrentState, or 0 when the manager
    // or the service cannot be opened.
    virtual std::uint32_t ServiceState(const std::string& name) = 0;
};

// ---------------------------------------------------------------------------------------------
// Physical drives and volumes.
using DeviceHandle = std::uintptr_t;  // 0 = could not be opened

class Devices {
public:
    virtual ~Devices() = default;
    // CreateFileA(path, access, sharing, OPEN_EXISTING).
    virtual DeviceHandle OpenDevice(const std::string& path, std::uint32_t access,
                                    std::uint32_t sharing) = 0;
    // DeviceIoControl: input bytes in, output buffer of the size given by out->size() (its
    // contents are passed in as the initial buffer). Returns success; *returned receives the
    // byte count the driver reported.
    virtual bool IoControl(DeviceHandle device, std::uint32_t code, const std::vector<std::uint8_t>& in,
                           std::vector<std::uint8_t>* out, std::uint32_t* returned) = 0;
    virtual void CloseDevice(DeviceHandle device) = 0;
    // GetLogicalDrives: bit 0 = A ... bit 25 = Z.
    virtual std::uint32_t LogicalDrives() = 0;
};

// ---------------------------------------------------------------------------------------------
// Loadable libraries. Entry points are plain cdecl functions; the bindings in outside/ give
// them their types.
using LibraryHandle = std::uintptr_t;  // 0 = not loaded
using ProcAddress = void (*)();        // null = entry point missing

class Libraries {
public:
    virtual ~Libraries() = default;
    // Loads a library by file name from the program's own directory, then from the system
    // directory; never from the current directory or PATH.
    virtual LibraryHandle Load(const std::string& fileName) = 0;
    virtual ProcAddress EntryPoint(LibraryHandle library, const std::string& name) = 0;
    virtual void Free(LibraryHandle library) = 0;
};

// ---------------------------------------------------------------------------------------------
// Processor.
struct CpuidRegisters {
    std::uint32_t eax = 0, ebx = 0, ecx = 0, edx = 0;
};

class Processor {
public:
    virtual ~Processor() = default;
    virtual CpuidRegisters Cpuid(std::uint32_t leaf) = 0;
    // SetThreadAffinityMask on the calling thread: the previous mask, or 0 on failure.
    virtual std::uintptr_t SetThreadAffinity(std::uintptr_t mask) = 0;
};

// ---------------------------------------------------------------------------------------------
// The Windows version record and WOW64.
struct VersionRecord {
    std::uint32_t majorVersion = 0;
    std::uint32_t minorVersion = 0;
    std::uint32_t buildNumber = 0;
    std::uint32_t platformId = 0;
    std::string csdVersion;
    std::uint16_t servicePackMajor = 0;
    std::uint16_t servicePackMinor = 0;
    std::uint16_t suiteMask = 0;
    std::uint8_t productType = 0;
};

class System {
public:
    virtual ~System() = default;
    // GetVersionExA with the structure size given (kOsVersionInfoExSize or kOsVersionInfoSize).
    virtual bool GetVersion(std::uint32_t structureSize, VersionRecord* record) = 0;
    // IsWow64Process looked up in kernel32: false when the entry point is absent; otherwise its
    // answer in *wow64 and true.
    virtual bool IsWow64Process(bool* wow64) = 0;
    // Token privileges: OpenProcessToken, LookupPrivilegeValueA, AdjustTokenPrivileges.
    using TokenHandle = std::uintptr_t;
    virtual bool OpenProcessToken(std::uint32_t access, TokenHandle* token) = 0;
    virtual bool LookupPrivilege(const std::string& name, std::uint64_t* luid) = 0;
    virtual bool AdjustPrivilege(TokenHandle token, std::uint64_t luid,
                                 std::uint32_t attributes) = 0;
    virtual void CloseToken(TokenHandle token) = 0;
    virtual std::uint32_t LastError() = 0;
    virtual void SetLastError(std::uint32_t error) = 0;
    // ExitWindowsEx.
    virtual bool ExitWindows(std::uint32_t flags) = 0;
    // The program's own resources: FindResourceA/LoadResource/SizeofResource/LockResource of a
    // resource of the named type; false when it cannot be found.
    virtual bool LoadResourceBytes(const std::string& type, unsigned id, std::string* bytes) = 0;
};

// ---------------------------------------------------------------------------------------------
// Windows, dialogs and message boxes.
using WindowHandle = std::uintptr_t;  // 0 = none

// What a dialog receives. The win32 build calls these from a real (hidden) dialog's procedure;
// the simulator calls them directly.
class DialogHandler {
public:
    virtual ~DialogHandler() = default;
    virtual void OnInitDialog(WindowHandle dialog) = 0;
    virtual void OnCommand(unsigned id) = 0;
    virtual void OnSysCommand(unsigned command) = 0;
    virtual void OnTimer(unsigned timerId) = 0;
};

class Windowing {
public:
    virtual ~Windowing() = default;
    // Runs a modal dialog from the program's resources; returns its end code.
    virtual int RunModalDialog(unsigned templateId, DialogHandler* handler) = 0;
    virtual void EndDialog(WindowHandle dialog, int result) = 0;
    // FindWindowA with no class name.
    virtual WindowHandle FindTopLevelWindow(const std::string& caption) = 0;
    // SendMessageA(window, WM_CLOSE, 0, 0).
    virtual void SendClose(WindowHandle window) = 0;
    virtual int MessageBox(const std::string& text, const std::string& caption,
                           std::uint32_t style) = 0;
    virtual bool SetTimer(WindowHandle window, unsigned id, std::uint32_t milliseconds) = 0;
    virtual void KillTimer(WindowHandle window, unsigned id) = 0;
    // The dialog's icons (WM_SETICON big and small) from icon resource id.
    virtual void SetDialogIcon(WindowHandle dialog, unsigned iconId) = 0;
    // LoadStringA; empty when missing.
    virtual std::string LoadString(unsigned id) = 0;
    // Appends a separator and an item to the dialog's system menu; false without a system menu.
    virtual bool AppendSystemMenuItem(WindowHandle dialog, unsigned command,
                                      const std::string& text) = 0;
    virtual void InitCommonControls() = 0;
};

// ---------------------------------------------------------------------------------------------
// Clock.
class Clock {
public:
    virtual ~Clock() = default;
    virtual void Sleep(std::uint32_t milliseconds) = 0;
    // Milliseconds since an arbitrary start; monotonic.
    virtual std::uint64_t NowMilliseconds() = 0;
    // Local date and time as "YYYY-MM-DD hh:mm:ss".
    virtual std::string LocalTimeText() = 0;
};

// ---------------------------------------------------------------------------------------------
// The whole operating system as the program sees it.
struct Os {
    Registry& registry;
    Files& files;
    Processes& processes;
    Services& services;
    Devices& devices;
    Libraries& libraries;
    Processor& processor;
    System& system;
    Windowing& windowing;
    Clock& clock;
};

}  // namespace os
