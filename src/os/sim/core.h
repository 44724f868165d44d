// The heart of the simulated PC, shared by every area of it (registry, files, processes, ...)
// and by the models of outside programs, libraries and devices: the parsed machine description,
// the host folder where the drives live, the journal, the virtual clock with its pending events,
// the registry contents and the process table.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <typeindex>
#include <vector>

#include "os/os.h"
#include "os/sim/machine.h"

namespace sim {

using Json = nlohmann::json;

inline constexpr std::uint64_t kNever = ~std::uint64_t{0};

// Thrown when virtual time runs past the machine's limit (a loop that would wait for ever). Not
// a std::exception, so that the program's own error handling cannot swallow it; RunVolkit turns
// it into a std::runtime_error once the program has unwound.
struct SimulationLimit {
    std::string reason;
};

// One value in the registry.
struct RegValue {
    std::string name;  // as first written
    std::uint32_t type = os::kRegNone;
    std::string bytes;
};

// One key: its path as first written ("HKLM\\SOFTWARE\\Intel") and its values by upper-cased name.
struct RegKey {
    std::string path;
    std::map<std::string, RegValue> values;
};

// A process the machine knows: described as running at start, or started by someone.
struct ProcessRecord {
    std::uint32_t pid = 0;
    std::string exeName;      // as a process snapshot reports it
    std::string commandLine;  // empty for processes described as already running
    std::uint64_t startMs = 0;
    std::uint64_t endMs = kNever;  // kNever: runs until terminated
    std::uint32_t exitCode = os::kStillActive;
    bool Running(std::uint64_t now) const { return now < endMs; }
};

class Core {
  public:
    Core(Json description, std::string machineDir, std::string rootDir);
    ~Core();
    Core(const Core&) = delete;
    Core& operator=(const Core&) = delete;

    // ---- The description.
    const Json& Description() const { return description_; }
    // A top-level section, or a null value when the description has none.
    const Json& Section(const std::string& name) const;
    // The content of a text file named by the description (looked up in the machine folder).
    // Throws std::runtime_error when it cannot be read.
    std::string MachineFile(const std::string& name) const;
    const std::string& MachineDir() const { return machineDir_; }

    // ---- Facts of the machine.
    bool is64Bit = true;
    std::string programPath;       // "C:\\VOLKIT\\VOLKIT.exe"
    std::string windowsDirectory;  // "C:\\Windows"
    std::string systemDirectory;   // "C:\\Windows\\system32"
    std::string currentDirectory;
    std::uint32_t logicalDrives = 0;  // bit 0 = A
    std::uint32_t lastError = 0;
    std::string ProgramDirectory() const;  // without trailing backslash

    // ---- Journal. Entries made while a model of an outside program runs carry its name.
    void Record(const std::string& kind, const std::string& detail);
    // Something that must not happen in the normal course (a message box, a hang): the kind is
    // upper-cased so that it stands out.
    void RecordLoud(const std::string& kind, const std::string& detail);
    std::vector<JournalEntry> journal;
    std::string actor;  // "" while VOLKIT itself acts

    // ---- Virtual clock. Events scheduled at or before the new time run in time order.
    std::uint64_t Now() const { return now_; }
    void AdvanceTo(std::uint64_t when);
    void Advance(std::uint64_t milliseconds) { AdvanceTo(now_ + milliseconds); }
    // Runs fn at the given virtual time (at once when that time has come).
    void At(std::uint64_t when, std::function<void()> fn);
    std::string LocalTimeText() const;

    // ---- Paths. Windows paths are case-insensitive; they are resolved against the host folder.
    // The full Windows path ("C:\\A\\b.txt") of a path relative to the current directory;
    // nullopt for device paths, bad names or a drive the machine does not have.
    std::optional<std::string> FullPath(const std::string& windowsPath) const;
    // Host path for a Windows path: existing components are matched without regard to case,
    // missing ones keep the given spelling.
    std::optional<std::filesystem::path> Resolve(const std::string& windowsPath) const;
    const std::string& RootDir() const { return rootDir_; }
    // Direct file access for models and tests (journaled as the current actor).
    bool ReadFile(const std::string& windowsPath, std::string* content) const;
    bool WriteFile(const std::string& windowsPath, const std::string& content, bool append);
    bool FileExists(const std::string& windowsPath) const;
    // Attributes set through SetAttributes, by full upper-cased path.
    std::map<std::string, std::uint32_t> fileAttributes;

    // ---- Registry contents, by upper-cased stored path ("HKLM\\SOFTWARE\\WOW6432NODE\\X").
    std::map<std::string, RegKey> registry;
    // The stored path of a key for a path seen through a view: on a 64-bit machine the 32-bit view
    // of HKLM\SOFTWARE\... lands in HKLM\SOFTWARE\WOW6432Node\....
    std::string StoredKeyPath(const std::string& logicalPath, bool view64) const;
    RegKey& EnsureKey(const std::string& storedPath);
    const RegValue* FindValue(const std::string& storedPath, const std::string& name) const;
    void PutValue(const std::string& storedPath, const RegValue& value);

    // ---- Processes.
    std::map<std::uint32_t, ProcessRecord> processes;  // by pid
    std::uint32_t NextPid() { return nextPid_ += 4; }

    // ---- Services by upper-cased name.
    struct Service {
        std::string name;
        std::uint32_t state = os::kServiceRunning;
        std::uint64_t stopMs = 0;
        bool neverStops = false;
        bool canStop = true;
    };
    std::map<std::string, Service> services;

    // ---- State kept by models, one object of each type per machine.
    template <class T>
    T& State() {
        auto& slot = states_[std::type_index(typeid(T))];
        if (!slot)
            slot = std::shared_ptr<void>(new T(), [](void* p) { delete static_cast<T*>(p); });
        return *static_cast<T*>(slot.get());
    }

    // ---- The seam over this machine.
    os::Os& Os() { return *os_; }

  private:
    void Populate();
    void LoadRegistry();

    Json description_;
    std::string machineDir_;
    std::string rootDir_;
    std::uint64_t now_ = 0;
    std::uint64_t limitMs_ = 7ull * 24 * 3600 * 1000;  // a week of virtual time
    std::int64_t startSeconds_ = 0;
    std::uint64_t eventSequence_ = 0;
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::function<void()>> events_;
    std::uint32_t nextPid_ = 3000;
    std::map<std::type_index, std::shared_ptr<void>> states_;

    struct Parts;
    std::unique_ptr<Parts> parts_;
    std::unique_ptr<os::Os> os_;
};

// The machine whose program is running (set by RunVolkit and when a library model is loaded).
// Entry points of library models are plain functions and find their machine through it.
Core* ActiveCore();
void SetActiveCore(Core* core);

// Small helpers shared by the areas.
std::string UpperText(const std::string& value);
// Text of a JSON value that may be a number or a text ("0x1F", "31").
std::uint64_t JsonNumber(const Json& value, std::uint64_t fallback);

}  // namespace sim
