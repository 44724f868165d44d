#include <cstdlib>

#include "os/win32/handles.h"
#include "os/win32/parts.h"
#include "os/win32/win32_api.h"

namespace os::win32 {

ProcessHandle Win32Processes::StartHidden(const std::string& commandLine) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info{};
    // CreateProcessA may write into the command line, so it gets a copy of its own.
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        return 0;
    }
    CloseHandle(info.hThread);
    return FromNative(info.hProcess);
}

void Win32Processes::WaitForInputIdle(ProcessHandle process, std::uint32_t milliseconds) {
    ::WaitForInputIdle(ToNative<HANDLE>(process), milliseconds);
}

std::uint32_t Win32Processes::Wait(ProcessHandle process, std::uint32_t milliseconds) {
    return WaitForSingleObject(ToNative<HANDLE>(process), milliseconds);
}

bool Win32Processes::ExitCode(ProcessHandle process, std::uint32_t* code) {
    DWORD value = 0;
    if (!GetExitCodeProcess(ToNative<HANDLE>(process), &value)) return false;
    if (code != nullptr) *code = value;
    return true;
}

void Win32Processes::CloseProcess(ProcessHandle process) {
    CloseHandle(ToNative<HANDLE>(process));
}

int Win32Processes::RunShell(const std::string& commandText) {
    return std::system(commandText.c_str());
}

std::vector<ProcessEntry> Win32Processes::Snapshot() {
    std::vector<ProcessEntry> entries;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return entries;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry)) {
        // The name field is a fixed array; it is read up to its NUL and never past its end.
        std::size_t length = 0;
        while (length < sizeof entry.szExeFile && entry.szExeFile[length] != '\0') ++length;
        entries.push_back(ProcessEntry{entry.th32ProcessID, std::string(entry.szExeFile, length)});
    }
    CloseHandle(snapshot);
    return entries;
}

ProcessHandle Win32Processes::OpenProcess(std::uint32_t pid) {
    return FromNative(::OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid));
}

bool Win32Processes::Terminate(ProcessHandle process, std::uint32_t exitCode) {
    return TerminateProcess(ToNative<HANDLE>(process), exitCode) != 0;
}

void Win32Processes::ExitProcess(int exitCode) {
    std::exit(exitCode);
}

}  // namespace os::win32
