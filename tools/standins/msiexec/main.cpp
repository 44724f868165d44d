// Stand-in for the Windows Installer program "Msiexec.exe": appends its command line to
// "Msiexec.calls.txt" beside itself and ends with exit code 0. Placed in VOLKIT's directory, it is
// found before the system's msiexec, so tests see every uninstall VOLKIT starts.
#include <windows.h>

#include <cstdio>
#include <string>

static std::string CallLogPath(const char* logName) {
    char module[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string path(module, length);
    const std::size_t slash = path.find_last_of('\\');
    path = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    return path + logName;
}

int main() {
    const std::string path = CallLogPath("Msiexec.calls.txt");
    if (FILE* log = std::fopen(path.c_str(), "ab")) {
        std::fprintf(log, "%s\r\n", GetCommandLineA());
        std::fclose(log);
    }
    return 0;
}
