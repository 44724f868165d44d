// Stand-in for Intel's RST command-line tool "rstcli.exe".
//   rstcli.exe -I             prints the file "rstcli_report.txt" beside the program, byte for
//                             byte, to standard output (nothing when that file is missing)
//   any other command line    prints nothing
// Every call appends its arguments (the command line after the program's name, without the blanks
// around them) as one line to "rstcli_calls.log" beside the program. The exit code is always 0.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "standin.h"

namespace {

std::string BesideProgram(const char* name) {
    return standin::BesideModule(nullptr, name);
}

// The command line after the program's name (quoted or not), without the blanks around it.
std::string Arguments() {
    const std::string line = GetCommandLineA();
    std::size_t pos = 0;
    if (!line.empty() && line[0] == '"') {
        pos = line.find('"', 1);
        pos = pos == std::string::npos ? line.size() : pos + 1;
    } else {
        while (pos < line.size() && line[pos] != ' ' && line[pos] != '\t') ++pos;
    }
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    std::size_t end = line.size();
    while (end > pos && (line[end - 1] == ' ' || line[end - 1] == '\t')) --end;
    return line.substr(pos, end - pos);
}

bool AsksForInformation(const std::string& arguments) {
    std::size_t pos = 0;
    while (pos < arguments.size()) {
        while (pos < arguments.size() && arguments[pos] == ' ') ++pos;
        std::size_t end = arguments.find(' ', pos);
        if (end == std::string::npos) end = arguments.size();
        const std::string word = arguments.substr(pos, end - pos);
        if (word == "-I" || word == "-i" || word == "--information") return true;
        pos = end;
    }
    return false;
}

void PrintReport() {
    FILE* report = std::fopen(BesideProgram("rstcli_report.txt").c_str(), "rb");
    if (report == nullptr) return;
    _setmode(_fileno(stdout), _O_BINARY);
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, report)) > 0) {
        std::fwrite(buffer, 1, got, stdout);
    }
    std::fclose(report);
    std::fflush(stdout);
}

}  // namespace

int main() {
    const std::string arguments = Arguments();
    standin::AppendLine(BesideProgram("rstcli_calls.log"), arguments);
    if (AsksForInformation(arguments)) PrintReport();
    return 0;
}
