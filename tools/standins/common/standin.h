// What the stand-ins share: their configuration and call logs stand beside their own file.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace standin {

// The folder of a module's file (nullptr: the program), ending in a backslash, with name appended.
inline std::string BesideModule(HMODULE module, const char* name) {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    std::string folder(path, length < MAX_PATH ? length : 0);
    const std::size_t slash = folder.find_last_of("\\/");
    folder = slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
    return folder + name;
}

// Appends one line, ended by CR LF.
inline void AppendLine(const std::string& path, const std::string& line) {
    if (FILE* file = std::fopen(path.c_str(), "ab")) {
        std::fprintf(file, "%s\r\n", line.c_str());
        std::fclose(file);
    }
}

}  // namespace standin
