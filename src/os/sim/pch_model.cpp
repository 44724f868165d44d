// The board maker's PCH-mode library "zorm.dll" on the simulated PC. Whether it is there and
// which entry points it lacks is said under "libraries" like any library; what it answers comes
// from the "pch" section:
//     "pch": {"initial": 0, "modes": "IDE:AHCI:RAID", "current": "AHCI"}
// (defaults: 0, "IDE:AHCI:RAID", "AHCI"). Texts are copied into the caller's buffer up to its
// size, with a NUL only where there is room, as a careless library would. Every call is journaled
// as "pch.call": "Initial", "GetAllMode 64", "GetPchMode 32", "SetPchMode 2", "SaveToBios"; a
// SaveToBios after a SetPchMode also journals "pch.saved" with the selected mode's entry.
#include <cstring>
#include <optional>

#include "os/sim/core.h"
#include "os/sim/models.h"

namespace sim {

namespace {

struct PchState {
    std::optional<int> selected;
};

std::string Setting(const char* key, const char* fallback) {
    const Json& pch = ActiveCore()->Section("pch");
    if (pch.is_object()) {
        auto it = pch.find(key);
        if (it != pch.end() && it->is_string()) return it->get<std::string>();
    }
    return fallback;
}

void Call(const std::string& what) {
    ActiveCore()->Record("pch.call", what);
}

void Fill(char* buffer, int size, const std::string& value) {
    if (buffer == nullptr || size <= 0) return;
    const std::size_t room = static_cast<std::size_t>(size);
    const std::size_t length = value.size() < room ? value.size() : room;
    std::memcpy(buffer, value.data(), length);
    if (length < room) buffer[length] = '\0';
}

int Initial() {
    Call("Initial");
    const Json& pch = ActiveCore()->Section("pch");
    return pch.is_object() ? static_cast<int>(JsonNumber(pch.value("initial", Json()), 0)) : 0;
}

int GetAllMode(char* buffer, int size) {
    Call("GetAllMode " + std::to_string(size));
    Fill(buffer, size, Setting("modes", "IDE:AHCI:RAID"));
    return 0;
}

int GetPchMode(char* buffer, int size) {
    Call("GetPchMode " + std::to_string(size));
    Fill(buffer, size, Setting("current", "AHCI"));
    return 0;
}

int SetPchMode(int position) {
    Call("SetPchMode " + std::to_string(position));
    ActiveCore()->State<PchState>().selected = position;
    return 0;
}

int SaveToBios() {
    Call("SaveToBios");
    const std::optional<int> selected = ActiveCore()->State<PchState>().selected;
    if (!selected) return 0;
    const std::string modes = Setting("modes", "IDE:AHCI:RAID");
    std::size_t begin = 0;
    for (int i = 0; i < *selected && begin != std::string::npos; ++i) {
        begin = modes.find(':', begin);
        if (begin != std::string::npos) ++begin;
    }
    std::string entry;
    if (begin != std::string::npos) entry = modes.substr(begin, modes.find(':', begin) - begin);
    ActiveCore()->Record("pch.saved", entry.empty() ? "(no such entry)" : entry);
    return 0;
}

os::ProcAddress Entry(const std::string& name) {
    using Plain = int (*)();
    using Text = int (*)(char*, int);
    using Set = int (*)(int);
    if (name == "Initial") return reinterpret_cast<os::ProcAddress>(static_cast<Plain>(Initial));
    if (name == "GetPchMode")
        return reinterpret_cast<os::ProcAddress>(static_cast<Text>(GetPchMode));
    if (name == "SetPchMode")
        return reinterpret_cast<os::ProcAddress>(static_cast<Set>(SetPchMode));
    if (name == "GetAllMode")
        return reinterpret_cast<os::ProcAddress>(static_cast<Text>(GetAllMode));
    if (name == "SaveToBios")
        return reinterpret_cast<os::ProcAddress>(static_cast<Plain>(SaveToBios));
    return nullptr;
}

}  // namespace

void RegisterPchModels(ModelRegistry& models) {
    models.AddLibrary("zorm.dll", Entry);
}

}  // namespace sim
