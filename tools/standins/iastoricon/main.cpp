// Stand-in for the IRST tray program "IAStorIcon.exe": notes its start in
// "IAStorIcon.calls.txt" beside itself and then stays running until it is ended from outside.
#include <windows.h>

#include <cstdio>
#include <string>

int main() {
    char module[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string path(module, length);
    const std::size_t slash = path.find_last_of('\\');
    path = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) +
           "IAStorIcon.calls.txt";
    if (FILE* log = std::fopen(path.c_str(), "ab")) {
        std::fprintf(log, "%s\r\n", GetCommandLineA());
        std::fclose(log);
    }
    for (;;) Sleep(INFINITE);
}
