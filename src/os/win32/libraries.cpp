#include "os/win32/handles.h"
#include "os/win32/parts.h"
#include "os/win32/win32_api.h"

namespace os::win32 {

namespace {

// The directory of the program's own file, ending in a backslash; empty when unknown.
std::string ProgramDirectory() {
    char buffer[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::string();
    const std::string path(buffer, length);
    const std::size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string SystemDirectoryWithSlash() {
    char buffer[MAX_PATH + 1] = {};
    const UINT length = GetSystemDirectoryA(buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::string();
    return std::string(buffer, length) + "\\";
}

}  // namespace

LibraryHandle Win32Libraries::Load(const std::string& fileName) {
    // Only a plain file name is looked up, and only in the two trusted folders: a library
    // planted in the current directory or in a PATH folder must never run in this elevated
    // process.
    if (fileName.empty() || fileName.find_first_of("\\/:") != std::string::npos) return 0;
    for (const std::string& folder : {ProgramDirectory(), SystemDirectoryWithSlash()}) {
        if (folder.empty()) continue;
        HMODULE module = LoadLibraryExA((folder + fileName).c_str(), nullptr, 0);
        if (module != nullptr) return FromNative(module);
    }
    return 0;
}

ProcAddress Win32Libraries::EntryPoint(LibraryHandle library, const std::string& name) {
    FARPROC entry = GetProcAddress(ToNative<HMODULE>(library), name.c_str());
    return reinterpret_cast<ProcAddress>(entry);
}

void Win32Libraries::Free(LibraryHandle library) {
    FreeLibrary(ToNative<HMODULE>(library));
}

}  // namespace os::win32
