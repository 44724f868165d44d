// Stand-in for the board maker's PCH-mode library "zorm.dll". Its settings come from "zorm.txt"
// beside the library, one "key=value" a line:
//     list=IDE:RAID:AHCI      the mode list GetAllMode hands out (default "IDE:AHCI:RAID")
//     current=AHCI            the text GetPchMode hands out (default "AHCI")
//     initial=0               what Initial returns (default 0)
// Every call is appended to "zorm_calls.txt" beside the library, one line each: "Initial",
// "GetAllMode <size>", "GetPchMode <size>", "SetPchMode <position>", "SaveToBios".
// Built with ZORM_WITHOUT_INITIAL it lacks the Initial entry point.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "standin.h"

namespace {

HMODULE g_module = nullptr;

struct Settings {
    std::string list = "IDE:AHCI:RAID";
    std::string current = "AHCI";
    int initial = 0;
};

std::string BesideLibrary(const char* name) {
    return standin::BesideModule(g_module, name);
}

Settings ReadSettings() {
    Settings settings;
    FILE* file = std::fopen(BesideLibrary("zorm.txt").c_str(), "r");
    if (file == nullptr) return settings;
    char line[256];
    while (std::fgets(line, sizeof line, file) != nullptr) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        const std::size_t equals = text.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = text.substr(0, equals);
        const std::string value = text.substr(equals + 1);
        if (key == "list") settings.list = value;
        if (key == "current") settings.current = value;
        if (key == "initial") settings.initial = std::atoi(value.c_str());
    }
    std::fclose(file);
    return settings;
}

void Record(const std::string& call) {
    FILE* file = std::fopen(BesideLibrary("zorm_calls.txt").c_str(), "a");
    if (file == nullptr) return;
    std::fprintf(file, "%s\n", call.c_str());
    std::fclose(file);
}

// Copies a text into the caller's buffer, cut to its size with the NUL kept inside it.
void Fill(char* buffer, int size, const std::string& value) {
    if (buffer == nullptr || size <= 0) return;
    const std::size_t room = static_cast<std::size_t>(size) - 1;
    const std::size_t length = value.size() < room ? value.size() : room;
    std::memcpy(buffer, value.data(), length);
    buffer[length] = '\0';
}

}  // namespace

extern "C" {

#ifndef ZORM_WITHOUT_INITIAL
__declspec(dllexport) int __cdecl Initial() {
    Record("Initial");
    return ReadSettings().initial;
}
#endif

__declspec(dllexport) int __cdecl GetPchMode(char* buffer, int size) {
    Record("GetPchMode " + std::to_string(size));
    Fill(buffer, size, ReadSettings().current);
    return 0;
}

__declspec(dllexport) int __cdecl SetPchMode(int position) {
    Record("SetPchMode " + std::to_string(position));
    return 0;
}

__declspec(dllexport) int __cdecl GetAllMode(char* buffer, int size) {
    Record("GetAllMode " + std::to_string(size));
    Fill(buffer, size, ReadSettings().list);
    return 0;
}

__declspec(dllexport) int __cdecl SaveToBios() {
    Record("SaveToBios");
    return 0;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    return TRUE;
}

}  // extern "C"
