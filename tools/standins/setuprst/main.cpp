// Stand-in for the IRST installer "setuprst157.exe": appends its command line to
// "setuprst157.calls.txt" beside itself and ends with exit code 0, installing nothing.
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
    const std::string path = CallLogPath("setuprst157.calls.txt");
    if (FILE* log = std::fopen(path.c_str(), "ab")) {
        std::fprintf(log, "%s\r\n", GetCommandLineA());
        std::fclose(log);
    }
    return 0;
}
