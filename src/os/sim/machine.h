// The simulated PC: a machine description (machine.json plus the text files it names) and a root
// folder on the host where the machine's drives live (drive C: is <root>/C). It implements every
// interface of the OS seam, keeps a journal of every observable effect, and runs a virtual clock
// in which Sleep advances time at once.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "os/os.h"

namespace sim {

class Core;

struct JournalEntry {
    std::uint64_t timeMs = 0;  // virtual time
    std::string kind;          // "registry.set", "file.write", "process.start", ...
    std::string detail;
    std::string by;  // the outside program that caused it; empty for VOLKIT itself
};

struct RegistryData {
    std::uint32_t type = 0;
    std::string bytes;
    std::string Text() const;     // REG_SZ without its terminating NULs
    std::uint32_t Dword() const;  // REG_DWORD
};

class Machine {
  public:
    virtual ~Machine() = default;

    // Loads <machineDir>/machine.json. Files written by the program land under rootDir.
    static std::unique_ptr<Machine> Load(const std::string& machineDir, const std::string& rootDir);
    // The same from a JSON text (machineDir is where named text files are looked up).
    static std::unique_ptr<Machine> FromJsonText(const std::string& json,
                                                 const std::string& machineDir,
                                                 const std::string& rootDir);

    virtual os::Os& Os() = 0;
    virtual const std::vector<JournalEntry>& Journal() const = 0;
    // The journal as text, one entry a line: "[t=<ms>] <kind> <detail>".
    virtual std::string JournalText() const = 0;
    virtual std::uint64_t Now() const = 0;
    // Host path of a Windows path on this machine (for tests that read files back).
    virtual std::string HostPath(const std::string& windowsPath) const = 0;

    // The journal entries of one kind ("registry.set", "process.start", ...).
    virtual std::vector<JournalEntry> JournalOf(const std::string& kind) const = 0;
    // A registry value by its stored key path, as the 64-bit view sees it: what a 32-bit program
    // wrote under SOFTWARE is found under "HKLM\\SOFTWARE\\WOW6432Node\\...".
    virtual std::optional<RegistryData> RegistryValue(const std::string& keyPath,
                                                      const std::string& name) const = 0;
    virtual bool RegistryKeyExists(const std::string& keyPath) const = 0;
    // A file's content, or nullopt when it is not there.
    virtual std::optional<std::string> ReadFile(const std::string& windowsPath) const = 0;
    // Lets virtual time pass (outside programs started by the run go on after it ends).
    virtual void AdvanceTime(std::uint64_t milliseconds) = 0;
    // The machine's insides, for models and the runner.
    virtual Core& GetCore() = 0;
};

// A fresh, empty folder under the system's temporary folder, and removal of a folder tree.
std::string MakeTemporaryRoot();
void RemoveTree(const std::string& hostPath);

// Thrown by the simulated ExitProcess; carries the exit code to the runner.
struct ProcessExit {
    int exitCode;
};

// Runs VOLKIT once on the machine with the command line; returns the exit code.
int RunVolkit(Machine& machine, const std::string& commandLine);

}  // namespace sim
