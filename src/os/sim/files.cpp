// Files and folders: real files under the host root (drive C: is <root>/C), reached through
// case-insensitive Windows paths.
#include <cctype>
#include <cstdio>
#include <filesystem>

#include "common/text.h"
#include "os/sim/core.h"
#include "os/sim/parts.h"

namespace fs = std::filesystem;

namespace sim {

bool WildcardMatch(const std::string& pattern, const std::string& name) {
    // "*.*" matches every name, with or without a dot, as FindFirstFile does.
    std::string p = pattern;
    if (p.size() >= 3 && p.compare(p.size() - 3, 3, "*.*") == 0) p.resize(p.size() - 2);
    // Iterative matcher with one backtracking point: linear in practice, never recursive.
    std::size_t pi = 0, ni = 0, star = std::string::npos, mark = 0;
    auto same = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    };
    while (ni < name.size()) {
        if (pi < p.size() && (p[pi] == '?' || same(p[pi], name[ni]))) {
            ++pi;
            ++ni;
        } else if (pi < p.size() && p[pi] == '*') {
            star = pi++;
            mark = ni;
        } else if (star != std::string::npos) {
            pi = star + 1;
            ni = ++mark;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == '*') ++pi;
    return pi == p.size();
}

namespace {

constexpr std::uint32_t kReadOnly = 0x1;
constexpr std::uint32_t kArchive = 0x20;

class SimFiles : public os::Files {
  public:
    explicit SimFiles(Core& core) : core_(core) {}

    bool ReadFile(const std::string& path, std::string* content) override {
        return core_.ReadFile(path, content);
    }

    bool WriteFile(const std::string& path, const std::string& content) override {
        return core_.WriteFile(path, content, false);
    }

    bool AppendFile(const std::string& path, const std::string& content) override {
        return core_.WriteFile(path, content, true);
    }

    bool CanOpenForRead(const std::string& path) override { return core_.FileExists(path); }

    bool DeleteFile(const std::string& path) override {
        const auto full = core_.FullPath(path);
        if (!full || !core_.FileExists(path) || (Attributes(*full) & kReadOnly)) return false;
        std::error_code ec;
        if (!fs::remove(*core_.Resolve(path), ec)) return false;
        core_.fileAttributes.erase(UpperText(*full));
        core_.Record("file.delete", *full);
        return true;
    }

    bool ReplaceFile(const std::string& source, const std::string& target) override {
        const auto from = core_.FullPath(source);
        const auto to = core_.FullPath(target);
        std::error_code ec;
        if (!from || !to || !core_.FileExists(source)) return false;
        const fs::path hostTo = *core_.Resolve(target);
        if (fs::is_directory(hostTo, ec) || !fs::is_directory(hostTo.parent_path(), ec))
            return false;
        if (fs::exists(hostTo, ec) && (Attributes(*to) & kReadOnly)) return false;
        fs::rename(*core_.Resolve(source), hostTo, ec);
        if (ec) return false;
        core_.fileAttributes.erase(UpperText(*to));
        auto attr = core_.fileAttributes.extract(UpperText(*from));
        if (attr) {
            attr.key() = UpperText(*to);
            core_.fileAttributes.insert(std::move(attr));
        }
        core_.Record("file.move", *from + " -> " + *to);
        return true;
    }

    bool CopyFile(const std::string& source, const std::string& target,
                  bool failIfExists) override {
        const auto to = core_.FullPath(target);
        std::string content;
        if (!to || !core_.ReadFile(source, &content)) return false;
        std::error_code ec;
        const fs::path hostTo = *core_.Resolve(target);
        if (fs::exists(hostTo, ec) && failIfExists) return false;
        const std::size_t before = core_.journal.size();
        if (!core_.WriteFile(target, content, false)) return false;
        core_.journal.resize(before);
        core_.Record("file.copy", *core_.FullPath(source) + " -> " + *to);
        return true;
    }

    std::uint32_t GetAttributes(const std::string& path) override {
        const auto full = core_.FullPath(path);
        const auto host = core_.Resolve(path);
        std::error_code ec;
        if (!full || !host || !fs::exists(*host, ec)) return os::kInvalidFileAttributes;
        if (fs::is_directory(*host, ec)) return os::kFileAttributeDirectory;
        return Attributes(*full);
    }

    bool SetAttributes(const std::string& path, std::uint32_t attributes) override {
        const auto full = core_.FullPath(path);
        if (!full || !core_.FileExists(path)) return false;
        core_.fileAttributes[UpperText(*full)] = attributes;
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%X", attributes);
        core_.Record("file.attributes", *full + " = " + hex);
        return true;
    }

    std::int64_t FileSize(const std::string& path) override {
        const auto host = core_.Resolve(path);
        std::error_code ec;
        if (!host || !fs::is_regular_file(*host, ec)) return -1;
        const auto size = fs::file_size(*host, ec);
        return ec ? -1 : static_cast<std::int64_t>(size);
    }

    bool AnyMatch(const std::string& pattern) override {
        std::string p = pattern;
        for (char& c : p)
            if (c == '/') c = '\\';
        const std::size_t slash = p.find_last_of('\\');
        const std::string dir = slash == std::string::npos ? "." : p.substr(0, slash + 1);
        const std::string name = slash == std::string::npos ? p : p.substr(slash + 1);
        if (name.empty()) return false;
        const auto host = core_.Resolve(dir);
        std::error_code ec;
        if (!host || !fs::is_directory(*host, ec)) return false;
        // A folder's listing begins with "." and "..".
        if (WildcardMatch(name, ".")) return true;
        for (const auto& entry : fs::directory_iterator(*host, ec))
            if (WildcardMatch(name, entry.path().filename().string())) return true;
        return false;
    }

    std::string ModuleFileName() override { return core_.programPath; }

    bool SetCurrentDirectory(const std::string& path) override {
        const auto full = core_.FullPath(path);
        const auto host = core_.Resolve(path);
        std::error_code ec;
        if (!full || !host || !fs::is_directory(*host, ec)) return false;
        core_.currentDirectory = *full;
        return true;
    }

    std::string CurrentDirectory() override { return core_.currentDirectory; }
    std::string WindowsDirectory() override { return core_.windowsDirectory; }
    std::string SystemDirectory() override { return core_.systemDirectory; }

    bool SpecialFolder(int csidl, std::string* path) override {
        const Json& paths = core_.Section("paths");
        std::string folder;
        if (csidl == os::kCsidlProgramFiles) {
            folder = core_.is64Bit ? "C:\\Program Files (x86)" : "C:\\Program Files";
            if (paths.is_object()) folder = paths.value("programFiles", folder);
        } else if (csidl == os::kCsidlStartup) {
            folder =
                "C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\"
                "Startup";
            if (paths.is_object()) folder = paths.value("startup", folder);
        } else {
            return false;
        }
        *path = folder;
        return true;
    }

  private:
    std::uint32_t Attributes(const std::string& full) const {
        auto it = core_.fileAttributes.find(UpperText(full));
        return it == core_.fileAttributes.end() ? kArchive : it->second;
    }

    Core& core_;
};

}  // namespace

std::unique_ptr<os::Files> MakeFiles(Core& core) {
    return std::make_unique<SimFiles>(core);
}

}  // namespace sim
