// Extension points of the simulated PC: models of outside programs, of loadable libraries and of
// the drives' device requests.
//
// A model lives in its own source file in src/os/sim/ and has one registration routine,
//     void RegisterRstcliModels(sim::ModelRegistry& models) { models.AddProgram(...); }
// listed with one line in src/os/sim/models.def. Every machine gets every registered model; the
// machine description decides what each model does (its own sections: "programs", "pch", ...).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "os/os.h"
#include "os/sim/core.h"

namespace sim {

// ---------------------------------------------------------------------------------------------
// Outside programs. A started command line is matched to a model by its program's file name,
// without regard to case and without ".exe" ("rstcli", "diskpart", "msiexec", "setuprst157").
struct ProgramCall {
    Core& machine;
    std::string commandLine;  // the whole line as started
    std::string program;      // the program as named on the line (quotes removed)
    std::string programPath;  // full Windows path of the program file ("" for system programs)
    std::vector<std::string> arguments;  // the rest of the line split at blanks, quotes removed
    std::string argumentText;            // the rest of the line as it stands
    std::string currentDirectory;        // the starting process's current directory
};

struct ProgramResult {
    std::uint64_t durationMs = 0;  // how long the process runs
    bool neverEnds = false;        // runs until terminated
    std::uint32_t exitCode = 0;
    std::string output;  // what it prints (written to the file of a ">" redirection)
    // Effects that become visible when the process ends (files it writes last, registry changes
    // made by an installer). Effects performed directly in the model happen at its start.
    std::function<void()> atEnd;
    std::string exeName;  // the name a process snapshot shows; default: the program's file name
};

using ProgramModel = std::function<ProgramResult(ProgramCall&)>;

// ---------------------------------------------------------------------------------------------
// Loadable libraries. A model supplies entry points as plain cdecl functions (static trampolines
// that reach their machine through ActiveCore()). A name the model does not know is missing.
using LibraryModel = std::function<os::ProcAddress(const std::string& entryPoint)>;

// ---------------------------------------------------------------------------------------------
// Devices: "\\.\PhysicalDriveN" and "\\.\X:". Open says whether the path opens; Control answers
// a request (bytes in, output buffer of out->size(), *returned the byte count reported).
struct DeviceModel {
    std::function<bool(Core& machine, const std::string& path, std::uint32_t access)> open;
    std::function<bool(Core& machine, const std::string& path, std::uint32_t code,
                       const std::vector<std::uint8_t>& in, std::vector<std::uint8_t>* out,
                       std::uint32_t* returned)>
        control;
};

class ModelRegistry {
  public:
    // systemProgram: part of Windows, always present (diskpart, msiexec, cmd); otherwise the
    // program file must exist where Windows would look for it.
    void AddProgram(const std::string& name, ProgramModel model, bool systemProgram = false);
    void AddLibrary(const std::string& fileName, LibraryModel model);
    void SetDevices(DeviceModel model) { devices_ = std::move(model); }

    struct Program {
        ProgramModel model;
        bool systemProgram = false;
    };
    const Program* FindProgram(const std::string& name) const;
    const LibraryModel* FindLibrary(const std::string& fileName) const;
    const DeviceModel& Devices() const { return devices_; }

    // Every registered model (built once).
    static const ModelRegistry& All();

    // Normalised lookup key: lower case, without directory and without ".exe"/".dll".
    static std::string Key(const std::string& name);

  private:
    std::map<std::string, Program> programs_;
    std::map<std::string, LibraryModel> libraries_;
    DeviceModel devices_;
};

}  // namespace sim
