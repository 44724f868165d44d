// Test tool for the Wine tests: starts VOLKIT.exe with an exact command line and stands in for
// the program that called it. It owns a hidden, topmost top-level window captioned "VKT" (found
// before VOLKIT's own dialog), counts the WM_CLOSE messages that window receives while VOLKIT
// runs, and ends with VOLKIT's exit code.
//
//   wine-run.exe <report file> <working directory> <command line file> <seconds>
//
// The command line file holds the whole command line, program path first, without a line end:
// blanks at its end reach the program unchanged. The report file receives "closes=<n>",
// "exit=<code>" and "elapsed_ms=<milliseconds>" (from the start of the program to its end, as
// the performance counter measures it). A run longer than the given seconds is ended and
// reported as exit 124.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int g_closes = 0;

LRESULT CALLBACK ProbeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        ++g_closes;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool ReadWholeFile(const char* path, std::string* text) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return false;
    char chunk[4096];
    std::size_t count = 0;
    while ((count = std::fread(chunk, 1, sizeof chunk, file)) > 0) text->append(chunk, count);
    std::fclose(file);
    return true;
}

void Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: wine-run <report> <cwd> <command line file> <seconds>\n");
        return 125;
    }
    std::string commandLine;
    if (!ReadWholeFile(argv[3], &commandLine)) {
        std::fprintf(stderr, "wine-run: cannot read %s\n", argv[3]);
        return 125;
    }
    const DWORD limitMs = static_cast<DWORD>(std::strtoul(argv[4], nullptr, 10)) * 1000u;

    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = ProbeWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "VolkitCallerProbe";
    if (!RegisterClassA(&windowClass)) return 125;
    HWND probe = CreateWindowExA(WS_EX_TOPMOST, "VolkitCallerProbe", "VKT", WS_POPUP, 0, 0, 1, 1,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (probe == nullptr) return 125;

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    LARGE_INTEGER frequency{};
    LARGE_INTEGER started{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&started);
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, argv[2],
                        &startup, &info)) {
        std::fprintf(stderr, "wine-run: cannot start [%s]: error %lu\n", commandLine.c_str(),
                     GetLastError());
        return 125;
    }
    CloseHandle(info.hThread);

    // Wait for the program while serving the messages it sends to the probe window.
    const ULONGLONG deadline = GetTickCount64() + limitMs;
    DWORD exitCode = 124;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) {
            TerminateProcess(info.hProcess, 124);
            WaitForSingleObject(info.hProcess, 5000);
            exitCode = 124;
            break;
        }
        const DWORD woken =
            MsgWaitForMultipleObjects(1, &info.hProcess, FALSE, static_cast<DWORD>(deadline - now),
                                      QS_ALLINPUT | QS_SENDMESSAGE);
        if (woken == WAIT_OBJECT_0) {
            GetExitCodeProcess(info.hProcess, &exitCode);
            break;
        }
        Pump();
    }
    LARGE_INTEGER ended{};
    QueryPerformanceCounter(&ended);
    const double elapsedMs = frequency.QuadPart > 0
                                 ? static_cast<double>(ended.QuadPart - started.QuadPart) * 1000.0 /
                                       static_cast<double>(frequency.QuadPart)
                                 : -1.0;
    Pump();
    CloseHandle(info.hProcess);

    std::FILE* report = std::fopen(argv[1], "wb");
    if (report == nullptr) return 125;
    std::fprintf(report, "closes=%d\nexit=%lu\nelapsed_ms=%.1f\n", g_closes, exitCode, elapsedMs);
    std::fclose(report);
    DestroyWindow(probe);
    return static_cast<int>(exitCode);
}
