// A stand-in for Windows diskpart, for tests under Wine. It never touches a disk.
//
//   diskpart /s <script>
//
// Files beside the program:
//   diskpart_listing.txt    what "list disk" prints (copied byte for byte)
//   diskpart_fail_first.txt a number N: the first N runs print no disk table (a busy disk service)
//   diskpart_runs.txt       the number of runs so far (kept by the stand-in)
//   diskpart_calls.log      every command line, then one line per script command it carried out
//                           ("list disk", "sel disk N", "clean disk N")
// Exit code 0 when every command was carried out, 1 otherwise.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "standin.h"

namespace {

std::string ProgramDirectory() {
    return standin::BesideModule(nullptr, "");
}

bool ReadAll(const std::string& path, std::string* content) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream all;
    all << in.rdbuf();
    *content = all.str();
    return true;
}

std::string Trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r' || s[b] == '\n')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n')) {
        --e;
    }
    return s.substr(b, e - b);
}

std::string Lower(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

bool IsNumber(const std::string& s) {
    if (s.empty() || s.size() > 3) return false;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// The script name after "/s" on the command line (quotes removed).
std::string ScriptName(const std::string& commandLine) {
    std::size_t i = 0;
    std::vector<std::string> args;
    while (i < commandLine.size()) {
        while (i < commandLine.size() && commandLine[i] == ' ') ++i;
        std::string arg;
        bool quoted = false;
        while (i < commandLine.size() && (quoted || commandLine[i] != ' ')) {
            if (commandLine[i] == '"') {
                quoted = !quoted;
            } else {
                arg += commandLine[i];
            }
            ++i;
        }
        if (!arg.empty()) args.push_back(arg);
    }
    for (std::size_t a = 1; a + 1 < args.size(); ++a) {
        if (Lower(args[a]) == "/s") return args[a + 1];
    }
    return {};
}

}  // namespace

int main() {
    // The texts carry their own CR LF line ends.
    _setmode(_fileno(stdout), _O_BINARY);
    const std::string dir = ProgramDirectory();
    const std::string callLog = dir + "diskpart_calls.log";
    const std::string commandLine = GetCommandLineA();
    standin::AppendLine(callLog, commandLine);

    std::string text;
    int runs = 0;
    if (ReadAll(dir + "diskpart_runs.txt", &text)) runs = std::atoi(text.c_str());
    ++runs;
    {
        std::ofstream out(dir + "diskpart_runs.txt", std::ios::binary | std::ios::trunc);
        out << runs;
    }
    int failFirst = 0;
    if (ReadAll(dir + "diskpart_fail_first.txt", &text)) failFirst = std::atoi(text.c_str());

    std::printf(
        "\r\nMicrosoft DiskPart version 6.1.7601\r\n"
        "Copyright (C) 1999-2008 Microsoft Corporation.\r\n"
        "On computer: STAND-IN\r\n\r\n");

    const std::string scriptName = ScriptName(commandLine);
    std::string script;
    if (scriptName.empty() || !ReadAll(scriptName, &script)) {
        std::printf("The script file \"%s\" could not be found.\r\n", scriptName.c_str());
        return 1;
    }
    if (runs <= failFirst) {
        std::printf("Virtual Disk Service error:\r\nThe service failed to initialize.\r\n");
        standin::AppendLine(callLog, "no listing (run " + std::to_string(runs) + ")");
        return 1;
    }

    int selected = -1;
    std::istringstream lines(script);
    for (std::string raw; std::getline(lines, raw);) {
        const std::vector<std::string> w = Words(Lower(Trim(raw)));
        if (w.empty()) continue;
        if (w.size() == 2 && w[0] == "list" && w[1] == "disk") {
            std::string listing;
            ReadAll(dir + "diskpart_listing.txt", &listing);
            std::fwrite(listing.data(), 1, listing.size(), stdout);
            standin::AppendLine(callLog, "list disk");
        } else if (w.size() == 3 && (w[0] == "sel" || w[0] == "select") && w[1] == "disk" &&
                   IsNumber(w[2])) {
            selected = std::atoi(w[2].c_str());
            std::printf("\r\nDisk %d is now the selected disk.\r\n", selected);
            standin::AppendLine(callLog, "sel disk " + std::to_string(selected));
        } else if (w.size() == 1 && w[0] == "clean" && selected >= 0) {
            std::printf("\r\nDiskPart succeeded in cleaning the disk.\r\n");
            standin::AppendLine(callLog, "clean disk " + std::to_string(selected));
        } else {
            std::printf("\r\nThe arguments specified for this command are not valid.\r\n");
            standin::AppendLine(callLog, "refused: " + Trim(raw));
            return 1;
        }
    }
    return 0;
}
