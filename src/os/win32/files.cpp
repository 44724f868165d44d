#include <cstdio>

#include "os/win32/parts.h"
#include "os/win32/win32_api.h"

namespace os::win32 {

namespace {

// Writes all bytes to an open file handle.
bool WriteAll(HANDLE file, const std::string& content) {
    std::size_t done = 0;
    while (done < content.size()) {
        const std::size_t left = content.size() - done;
        const DWORD chunk = left > 0x100000 ? 0x100000 : static_cast<DWORD>(left);
        DWORD written = 0;
        if (!::WriteFile(file, content.data() + done, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

// A text returned by a Win32 call that fills a character buffer and reports its length.
template <typename Call>
std::string BufferText(Call call) {
    std::string buffer(MAX_PATH + 1, '\0');
    for (;;) {
        const DWORD length = call(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return std::string();
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        // Too small: the call reported the size it needs (with its NUL).
        buffer.assign(static_cast<std::size_t>(length) + 1, '\0');
    }
}

}  // namespace

bool Win32Files::ReadFile(const std::string& path, std::string* content) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::string bytes;
    char chunk[65536];
    bool ok = true;
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file, chunk, sizeof chunk, &read, nullptr)) {
            ok = false;
            break;
        }
        if (read == 0) break;
        bytes.append(chunk, read);
    }
    CloseHandle(file);
    if (ok && content != nullptr) *content = std::move(bytes);
    return ok;
}

bool Win32Files::WriteFile(const std::string& path, const std::string& content) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool ok = WriteAll(file, content);
    return CloseHandle(file) && ok;
}

bool Win32Files::AppendFile(const std::string& path, const std::string& content) {
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool ok = WriteAll(file, content);
    return CloseHandle(file) && ok;
}

bool Win32Files::CanOpenForRead(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
}

bool Win32Files::DeleteFile(const std::string& path) {
    return DeleteFileA(path.c_str()) != 0;
}

bool Win32Files::ReplaceFile(const std::string& source, const std::string& target) {
    return MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool Win32Files::CopyFile(const std::string& source, const std::string& target, bool failIfExists) {
    return CopyFileA(source.c_str(), target.c_str(), failIfExists ? TRUE : FALSE) != 0;
}

std::uint32_t Win32Files::GetAttributes(const std::string& path) {
    return GetFileAttributesA(path.c_str());
}

bool Win32Files::SetAttributes(const std::string& path, std::uint32_t attributes) {
    return SetFileAttributesA(path.c_str(), attributes) != 0;
}

std::int64_t Win32Files::FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) |
                                     data.nFileSizeLow);
}

bool Win32Files::AnyMatch(const std::string& pattern) {
    WIN32_FIND_DATAA entry{};
    HANDLE find = FindFirstFileA(pattern.c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return false;
    FindClose(find);
    return true;
}

std::string Win32Files::ModuleFileName() {
    std::string buffer(MAX_PATH + 1, '\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return std::string();
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        // Truncated: try again with a larger buffer.
        if (buffer.size() >= 32768) return std::string();
        buffer.assign(buffer.size() * 2, '\0');
    }
}

bool Win32Files::SetCurrentDirectory(const std::string& path) {
    return SetCurrentDirectoryA(path.c_str()) != 0;
}

std::string Win32Files::CurrentDirectory() {
    return BufferText([](char* buffer, DWORD size) { return GetCurrentDirectoryA(size, buffer); });
}

std::string Win32Files::WindowsDirectory() {
    return BufferText([](char* buffer, DWORD size) { return GetWindowsDirectoryA(buffer, size); });
}

std::string Win32Files::SystemDirectory() {
    return BufferText([](char* buffer, DWORD size) { return GetSystemDirectoryA(buffer, size); });
}

bool Win32Files::SpecialFolder(int csidl, std::string* path) {
    char buffer[MAX_PATH + 1] = {};
    if (SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer) != S_OK) {
        return false;
    }
    if (path != nullptr) *path = buffer;
    return true;
}

}  // namespace os::win32
