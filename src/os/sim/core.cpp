#include "os/sim/core.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "common/text.h"
#include "os/sim/parts.h"

namespace fs = std::filesystem;

namespace sim {

namespace {

Core* g_activeCore = nullptr;

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian calendar).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t* y, unsigned* m, unsigned* d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    *d = doy - (153 * mp + 2) / 5 + 1;
    *m = mp < 10 ? mp + 3 : mp - 9;
    *y = static_cast<std::int64_t>(yoe) + era * 400 + (*m <= 2);
}

std::string JsonText(const Json& value, const std::string& fallback) {
    return value.is_string() ? value.get<std::string>() : fallback;
}

bool BadNameChar(char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == '<' || c == '>' || c == ':' || c == '"' ||
           c == '|' || c == '?' || c == '*';
}

std::string HexBytes(const std::string& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

// "HKEY_LOCAL_MACHINE\\X" and "HKLM\\X" name the same key.
std::string CanonicalRoot(const std::string& path) {
    const std::size_t slash = path.find('\\');
    const std::string root = UpperText(path.substr(0, slash));
    const std::string rest = slash == std::string::npos ? "" : path.substr(slash);
    if (root == "HKLM" || root == "HKEY_LOCAL_MACHINE") return "HKLM" + rest;
    if (root == "HKCU" || root == "HKEY_CURRENT_USER") return "HKCU" + rest;
    throw std::runtime_error("registry key outside HKLM and HKCU: " + path);
}

std::uint32_t RegTypeFromName(const std::string& name) {
    const std::string upper = UpperText(name);
    if (upper == "REG_SZ") return os::kRegSz;
    if (upper == "REG_EXPAND_SZ") return os::kRegExpandSz;
    if (upper == "REG_BINARY") return os::kRegBinary;
    if (upper == "REG_DWORD") return os::kRegDword;
    if (upper == "REG_MULTI_SZ") return 7;
    if (upper == "REG_QWORD") return 11;
    if (upper == "REG_NONE") return os::kRegNone;
    throw std::runtime_error("unknown registry value type " + name);
}

RegValue ValueFromJson(const std::string& name, const Json& j) {
    RegValue v;
    v.name = name;
    const Json* data = &j;
    if (j.is_object()) {
        v.type = RegTypeFromName(j.value("type", "REG_SZ"));
        data = &j.at("data");
    } else {
        v.type = j.is_number() ? os::kRegDword : os::kRegSz;
    }
    switch (v.type) {
        case os::kRegSz:
        case os::kRegExpandSz:
            v.bytes = data->get<std::string>() + '\0';
            break;
        case os::kRegDword:
        case 11: {
            const std::uint64_t n = JsonNumber(*data, 0);
            const int width = v.type == os::kRegDword ? 4 : 8;
            for (int i = 0; i < width; ++i) v.bytes += static_cast<char>((n >> (8 * i)) & 0xFF);
            break;
        }
        case 7:
            for (const Json& s : *data) v.bytes += s.get<std::string>() + '\0';
            v.bytes += '\0';
            break;
        default: {
            const std::string hex = data->get<std::string>();
            if (hex.size() % 2 != 0) throw std::runtime_error("odd hex length in value " + name);
            for (std::size_t i = 0; i < hex.size(); i += 2)
                v.bytes += static_cast<char>(std::stoul(hex.substr(i, 2), nullptr, 16));
        }
    }
    return v;
}

std::string DescribeValue(const RegValue& v) {
    switch (v.type) {
        case os::kRegSz:
        case os::kRegExpandSz: {
            std::string s = v.bytes;
            if (!s.empty() && s.back() == '\0') s.pop_back();
            return (v.type == os::kRegSz ? "REG_SZ \"" : "REG_EXPAND_SZ \"") + s + "\"";
        }
        case os::kRegDword:
            if (v.bytes.size() == 4) {
                std::uint32_t n = 0;
                for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(v.bytes[i]);
                return "REG_DWORD " + std::to_string(n);
            }
            [[fallthrough]];
        default:
            return "type " + std::to_string(v.type) + " " + HexBytes(v.bytes.substr(0, 64)) +
                   (v.bytes.size() > 64 ? "..." : "");
    }
}

}  // namespace

struct Core::Parts {
    std::unique_ptr<os::Registry> registry;
    std::unique_ptr<os::Files> files;
    std::unique_ptr<os::Processes> processes;
    std::unique_ptr<os::Services> services;
    std::unique_ptr<os::Devices> devices;
    std::unique_ptr<os::Libraries> libraries;
    std::unique_ptr<os::Processor> processor;
    std::unique_ptr<os::System> system;
    std::unique_ptr<os::Windowing> windowing;
    std::unique_ptr<os::Clock> clock;
};

Core* ActiveCore() {
    return g_activeCore;
}
void SetActiveCore(Core* core) {
    g_activeCore = core;
}

std::string UpperText(const std::string& value) {
    return text::Upper(value);
}

std::uint64_t JsonNumber(const Json& value, std::uint64_t fallback) {
    if (value.is_number_unsigned()) return value.get<std::uint64_t>();
    if (value.is_number_integer()) return static_cast<std::uint64_t>(value.get<std::int64_t>());
    if (value.is_string()) return std::stoull(value.get<std::string>(), nullptr, 0);
    return fallback;
}

Core::Core(Json description, std::string machineDir, std::string rootDir)
    : description_(std::move(description)),
      machineDir_(std::move(machineDir)),
      rootDir_(std::move(rootDir)) {
    if (description_.is_null()) description_ = Json::object();
    if (!description_.is_object()) throw std::runtime_error("machine description is not an object");

    const Json& windows = Section("windows");
    if (windows.is_object()) is64Bit = windows.value("is64Bit", true);

    const Json& paths = Section("paths");
    const Json none;
    auto path = [&](const char* key, const std::string& fallback) {
        return JsonText(paths.is_object() && paths.contains(key) ? paths.at(key) : none, fallback);
    };
    windowsDirectory = path("windows", "C:\\Windows");
    systemDirectory = path("system", windowsDirectory + "\\system32");
    programPath = path("program", "C:\\VOLKIT\\VOLKIT.exe");
    const Json& drives = Section("logicalDrives");
    if (drives.is_array()) {
        for (const Json& d : drives) {
            const std::string letter = UpperText(d.get<std::string>());
            if (letter.empty() || letter[0] < 'A' || letter[0] > 'Z')
                throw std::runtime_error("bad logical drive " + letter);
            logicalDrives |= 1u << (letter[0] - 'A');
        }
    }
    logicalDrives |= 1u << 2;  // C: is always there
    currentDirectory = systemDirectory;
    const std::string cwd = path("currentDirectory", systemDirectory);

    startSeconds_ = DaysFromCivil(2024, 1, 1) * 86400 + 8 * 3600;
    const Json& clock = Section("clock");
    if (clock.is_object() && clock.contains("start")) {
        const std::string t = clock.at("start").get<std::string>();
        int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
        if (std::sscanf(t.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s) != 6 || mo < 1 ||
            mo > 12 || d < 1 || d > 31 || h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 || s > 59)
            throw std::runtime_error("clock start must read YYYY-MM-DD hh:mm:ss: " + t);
        startSeconds_ =
            DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)) * 86400 +
            h * 3600 + mi * 60 + s;
    }
    if (clock.is_object() && clock.contains("limitMs"))
        limitMs_ = JsonNumber(clock.at("limitMs"), limitMs_);

    Populate();
    LoadRegistry();
    currentDirectory = FullPath(cwd).value_or(systemDirectory);

    const Json& procs = Section("processes");
    if (procs.is_array()) {
        for (const Json& p : procs) {
            ProcessRecord r;
            r.exeName = p.at("name").get<std::string>();
            r.pid = static_cast<std::uint32_t>(JsonNumber(p.value("pid", Json()), 0));
            if (r.pid == 0) r.pid = NextPid();
            processes[r.pid] = r;
        }
    }
    const Json& svcs = Section("services");
    if (svcs.is_object()) {
        for (auto& [name, s] : svcs.items()) {
            Service svc;
            svc.name = name;
            const Json state = s.value("state", Json("running"));
            if (state.is_string()) {
                const std::string st = UpperText(state.get<std::string>());
                svc.state = st == "STOPPED" ? os::kServiceStopped : os::kServiceRunning;
            } else {
                svc.state = static_cast<std::uint32_t>(JsonNumber(state, os::kServiceRunning));
            }
            const Json stop = s.value("stopMs", Json(0));
            if (stop.is_string() && UpperText(stop.get<std::string>()) == "NEVER")
                svc.neverStops = true;
            else
                svc.stopMs = JsonNumber(stop, 0);
            svc.canStop = s.value("canStop", true);
            services[UpperText(name)] = svc;
        }
    }

    parts_ = std::make_unique<Parts>();
    parts_->registry = MakeRegistry(*this);
    parts_->files = MakeFiles(*this);
    parts_->processes = MakeProcesses(*this);
    parts_->services = MakeServices(*this);
    parts_->devices = MakeDevices(*this);
    parts_->libraries = MakeLibraries(*this);
    parts_->processor = MakeProcessor(*this);
    parts_->system = MakeSystem(*this);
    parts_->windowing = MakeWindowing(*this);
    parts_->clock = MakeClock(*this);
    os_.reset(new os::Os{*parts_->registry, *parts_->files, *parts_->processes, *parts_->services,
                         *parts_->devices, *parts_->libraries, *parts_->processor, *parts_->system,
                         *parts_->windowing, *parts_->clock});
}

Core::~Core() {
    if (g_activeCore == this) g_activeCore = nullptr;
}

const Json& Core::Section(const std::string& name) const {
    static const Json null;
    auto it = description_.find(name);
    return it == description_.end() ? null : *it;
}

std::string Core::MachineFile(const std::string& name) const {
    if (name.find("..") != std::string::npos || fs::path(name).is_absolute())
        throw std::runtime_error("machine file name leaves the machine folder: " + name);
    std::ifstream in(fs::path(machineDir_) / name, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read machine file " + name + " in " + machineDir_);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Core::ProgramDirectory() const {
    const std::size_t slash = programPath.find_last_of('\\');
    return slash == std::string::npos ? programPath : programPath.substr(0, slash);
}

void Core::Record(const std::string& kind, const std::string& detail) {
    journal.push_back(JournalEntry{now_, kind, detail, actor});
}

void Core::RecordLoud(const std::string& kind, const std::string& detail) {
    Record(UpperText(kind), detail);
}

void Core::AdvanceTo(std::uint64_t when) {
    if (when > limitMs_) {
        RecordLoud("time.limit", "virtual time would pass " + std::to_string(limitMs_) + " ms");
        throw SimulationLimit{"virtual time passed its limit of " + std::to_string(limitMs_) +
                              " ms: a wait that never ends"};
    }
    while (!events_.empty() && events_.begin()->first.first <= when) {
        auto node = events_.extract(events_.begin());
        if (node.key().first > now_) now_ = node.key().first;
        node.mapped()();
    }
    if (when > now_) now_ = when;
}

void Core::At(std::uint64_t when, std::function<void()> fn) {
    if (when <= now_) {
        fn();
        return;
    }
    events_.emplace(std::make_pair(when, ++eventSequence_), std::move(fn));
}

std::string Core::LocalTimeText() const {
    const std::int64_t seconds = startSeconds_ + static_cast<std::int64_t>(now_ / 1000);
    std::int64_t days = seconds / 86400, rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    std::int64_t y = 0;
    unsigned m = 0, d = 0;
    CivilFromDays(days, &y, &m, &d);
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02u %02lld:%02lld:%02lld",
                  static_cast<long long>(y), m, d, static_cast<long long>(rest / 3600),
                  static_cast<long long>(rest / 60 % 60), static_cast<long long>(rest % 60));
    return buffer;
}

std::optional<std::string> Core::FullPath(const std::string& windowsPath) const {
    std::string p = windowsPath;
    for (char& c : p)
        if (c == '/') c = '\\';
    if (p.empty() || p.rfind("\\\\", 0) == 0) return std::nullopt;
    char drive = 0;
    std::string rest;
    if (p.size() >= 2 && p[1] == ':') {
        drive = static_cast<char>(std::toupper(static_cast<unsigned char>(p[0])));
        rest = p.substr(2);
        if (rest.empty() || rest[0] != '\\') {
            // Drive-relative: against the current directory when it is on that drive.
            if (!currentDirectory.empty() && currentDirectory[0] == drive)
                rest = currentDirectory.substr(2) + "\\" + rest;
            else
                rest = "\\" + rest;
        }
    } else if (p[0] == '\\') {
        drive = currentDirectory.empty() ? 'C' : currentDirectory[0];
        rest = p;
    } else {
        if (currentDirectory.size() < 2) return std::nullopt;
        drive = currentDirectory[0];
        rest = currentDirectory.substr(2) + "\\" + p;
    }
    if (drive < 'A' || drive > 'Z' || !(logicalDrives & (1u << (drive - 'A')))) return std::nullopt;
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= rest.size()) {
        std::size_t end = rest.find('\\', start);
        if (end == std::string::npos) end = rest.size();
        std::string part = rest.substr(start, end - start);
        start = end + 1;
        // Windows drops trailing dots and blanks of a name.
        while (!part.empty() && part != "." && part != ".." &&
               (part.back() == ' ' || part.back() == '.'))
            part.pop_back();
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        for (char c : part)
            if (BadNameChar(c)) return std::nullopt;
        parts.push_back(part);
    }
    std::string full(1, drive);
    full += ":";
    if (parts.empty()) return full + "\\";
    for (const std::string& part : parts) full += "\\" + part;
    return full;
}

std::optional<fs::path> Core::Resolve(const std::string& windowsPath) const {
    const std::optional<std::string> full = FullPath(windowsPath);
    if (!full) return std::nullopt;
    fs::path host = fs::path(rootDir_) / std::string(1, (*full)[0]);
    std::size_t start = 3;
    while (start < full->size()) {
        std::size_t end = full->find('\\', start);
        if (end == std::string::npos) end = full->size();
        const std::string part = full->substr(start, end - start);
        start = end + 1;
        fs::path next = host / part;
        std::error_code ec;
        if (!fs::exists(next, ec) && fs::is_directory(host, ec)) {
            for (const auto& entry : fs::directory_iterator(host, ec)) {
                if (text::EqualsNoCase(entry.path().filename().string(), part)) {
                    next = entry.path();
                    break;
                }
            }
        }
        host = next;
    }
    return host;
}

bool Core::ReadFile(const std::string& windowsPath, std::string* content) const {
    const auto host = Resolve(windowsPath);
    std::error_code ec;
    if (!host || !fs::is_regular_file(*host, ec)) return false;
    std::ifstream in(*host, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    *content = s.str();
    return true;
}

bool Core::FileExists(const std::string& windowsPath) const {
    const auto host = Resolve(windowsPath);
    std::error_code ec;
    return host && fs::is_regular_file(*host, ec);
}

bool Core::WriteFile(const std::string& windowsPath, const std::string& content, bool append) {
    const auto full = FullPath(windowsPath);
    const auto host = Resolve(windowsPath);
    std::error_code ec;
    if (!full || !host || fs::is_directory(*host, ec) || !fs::is_directory(host->parent_path(), ec))
        return false;
    auto attr = fileAttributes.find(UpperText(*full));
    if (attr != fileAttributes.end() && (attr->second & 1u) && fs::exists(*host, ec))
        return false;  // read-only
    std::ofstream out(*host, std::ios::binary | (append ? std::ios::app : std::ios::trunc));
    if (!out) return false;
    out << content;
    out.close();
    if (!out) return false;
    std::string shown = content.substr(0, 120);
    for (char& c : shown)
        if (c == '\r' || c == '\n') c = ' ';
    Record(append ? "file.append" : "file.write", *full + " (" + std::to_string(content.size()) +
                                                      " bytes)" + (append ? ": " + shown : ""));
    return true;
}

std::string Core::StoredKeyPath(const std::string& logicalPath, bool view64) const {
    std::string path = CanonicalRoot(logicalPath);
    if (!is64Bit || view64) return path;
    const std::string upper = UpperText(path);
    static const std::string software = "HKLM\\SOFTWARE";
    if (upper.rfind(software, 0) != 0) return path;
    if (upper.size() > software.size() && upper[software.size()] != '\\') return path;
    const std::string after = upper.substr(software.size());
    if (after.rfind("\\WOW6432NODE", 0) == 0 && (after.size() == 12 || after[12] == '\\'))
        return path;
    return path.substr(0, software.size()) + "\\WOW6432Node" + path.substr(software.size());
}

RegKey& Core::EnsureKey(const std::string& storedPath) {
    const std::string path = CanonicalRoot(storedPath);
    std::size_t pos = 0;
    RegKey* key = nullptr;
    do {
        pos = path.find('\\', pos + 1);
        const std::string prefix = path.substr(0, pos);
        RegKey& k = registry[UpperText(prefix)];
        if (k.path.empty()) k.path = prefix;
        key = &k;
    } while (pos != std::string::npos);
    return *key;
}

const RegValue* Core::FindValue(const std::string& storedPath, const std::string& name) const {
    auto key = registry.find(UpperText(CanonicalRoot(storedPath)));
    if (key == registry.end()) return nullptr;
    auto value = key->second.values.find(UpperText(name));
    return value == key->second.values.end() ? nullptr : &value->second;
}

void Core::PutValue(const std::string& storedPath, const RegValue& value) {
    RegKey& key = EnsureKey(storedPath);
    RegValue& slot = key.values[UpperText(value.name)];
    if (slot.name.empty()) slot.name = value.name;
    slot.type = value.type;
    slot.bytes = value.bytes;
    Record("registry.set", key.path + " " + (value.name.empty() ? "(default)" : value.name) +
                               " = " + DescribeValue(value));
}

void Core::LoadRegistry() {
    for (const char* k : {"HKLM\\SOFTWARE", "HKLM\\SYSTEM", "HKCU\\Software"}) EnsureKey(k);
    if (is64Bit) EnsureKey("HKLM\\SOFTWARE\\WOW6432Node");
    const Json& reg = Section("registry");
    if (!reg.is_object()) return;
    for (auto& [path, values] : reg.items()) {
        RegKey& key = EnsureKey(path);
        if (!values.is_object()) throw std::runtime_error("registry key " + path + " needs {}");
        for (auto& [name, v] : values.items()) {
            RegValue value = ValueFromJson(name, v);
            key.values[UpperText(name)] = value;
        }
    }
}

void Core::Populate() {
    std::error_code ec;
    fs::create_directories(rootDir_, ec);
    for (int i = 0; i < 26; ++i)
        if (logicalDrives & (1u << i))
            fs::create_directories(fs::path(rootDir_) / std::string(1, static_cast<char>('A' + i)),
                                   ec);
    auto makeDir = [&](const std::string& windowsPath) {
        const auto host = Resolve(windowsPath);
        if (!host) throw std::runtime_error("bad folder in machine description: " + windowsPath);
        fs::create_directories(*host, ec);
    };
    makeDir(windowsDirectory);
    makeDir(systemDirectory);
    if (is64Bit) makeDir(windowsDirectory + "\\SysWOW64");
    makeDir(ProgramDirectory());
    const Json& paths = Section("paths");
    if (is64Bit) makeDir("C:\\Program Files");
    std::string programFiles = is64Bit ? "C:\\Program Files (x86)" : "C:\\Program Files";
    std::string startup =
        "C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup";
    if (paths.is_object()) {
        programFiles = paths.value("programFiles", programFiles);
        startup = paths.value("startup", startup);
    }
    makeDir(programFiles);
    makeDir(startup);
    const Json& folders = Section("folders");
    if (folders.is_array())
        for (const Json& f : folders) makeDir(f.get<std::string>());

    auto place = [&](const std::string& windowsPath, const std::string& content) {
        const auto host = Resolve(windowsPath);
        if (!host) throw std::runtime_error("bad file path in machine description: " + windowsPath);
        fs::create_directories(host->parent_path(), ec);
        std::ofstream out(*host, std::ios::binary | std::ios::trunc);
        out << content;
        if (!out) throw std::runtime_error("cannot place file " + windowsPath);
    };
    if (!FileExists(programPath)) place(programPath, "MZ");
    const Json& files = Section("files");
    if (files.is_object()) {
        for (auto& [path, f] : files.items()) {
            if (f.is_string()) {
                place(path, f.get<std::string>());
            } else if (f.is_object() && f.contains("file")) {
                place(path, MachineFile(f.at("file").get<std::string>()));
            } else if (f.is_object() && f.contains("text")) {
                place(path, f.at("text").get<std::string>());
            } else {
                throw std::runtime_error("file " + path + " needs a text or {\"file\": name}");
            }
            // A read-only file cannot be deleted or replaced: it stands for a file that another
            // program holds open.
            if (f.is_object() && f.value("readOnly", false)) {
                fileAttributes[UpperText(*FullPath(path))] = 0x1 | 0x20;
            }
        }
    }
    // Libraries named in "libraries" are placed beside the program unless placed already.
    const Json& libs = Section("libraries");
    if (libs.is_object()) {
        for (auto& [name, lib] : libs.items()) {
            const std::string where = lib.is_object() && lib.value("place", "program") == "system"
                                          ? systemDirectory
                                          : ProgramDirectory();
            const std::string path = where + "\\" + name;
            if (!FileExists(path)) place(path, "MZ");
        }
    }
}

}  // namespace sim
