// The simulated PC: a machine description (machine.json plus the text files it names) and a root
// folder on the host where the machine's drives live (drive C: is <root>/C). It implements every
// interface of the OS seam, keeps a journal of every observable effect, and runs a virtual clock
// in which Sleep advances time at once.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "os/os.h"

namespace sim {

struct JournalEntry {
    std::uint64_t timeMs = 0;  // virtual time
    std::string kind;          // "registry.set", "file.write", "process.start", ...
    std::string detail;
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
};

// Thrown by the simulated ExitProcess; carries the exit code to the runner.
struct ProcessExit {
    int exitCode;
};

// Runs VOLKIT once on the machine with the command line; returns the exit code.
int RunVolkit(Machine& machine, const std::string& commandLine);

}  // namespace sim
