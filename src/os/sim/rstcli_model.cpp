// rstcli.exe on the simulated PC. What it does comes from the description's "programs" section:
//     "rstcli": {"report": "rstcli_report.txt", "durationMs": 800}
// "-I" prints the named report file of the machine folder (to the ">" redirection of the batch
// file that runs it); "outputFile" names such a file too, and "output" gives the report's text
// itself. Any other command prints nothing. Every call is journaled as
// "rstcli.call" with its arguments as they stand, so that tests can assert on the commands.
// The program runs durationMs (default 500 ms) and ends with exit code 0.
#include <string>

#include "common/text.h"
#include "os/sim/models.h"

namespace sim {
namespace {

constexpr std::uint64_t kDefaultDurationMs = 500;

const Json* RstcliSection(const Core& machine) {
    const Json& programs = machine.Section("programs");
    if (!programs.is_object()) return nullptr;
    for (auto it = programs.begin(); it != programs.end(); ++it) {
        if (ModelRegistry::Key(it.key()) == "rstcli" && it.value().is_object()) return &it.value();
    }
    return nullptr;
}

bool AsksForInformation(const ProgramCall& call) {
    for (const std::string& argument : call.arguments) {
        if (argument == "-I" || argument == "-i" || argument == "--information") return true;
    }
    return false;
}

}  // namespace

void RegisterRstcliModels(ModelRegistry& models) {
    models.AddProgram("rstcli", [](ProgramCall& call) {
        call.machine.Record("rstcli.call", call.argumentText);
        ProgramResult result;
        result.durationMs = kDefaultDurationMs;
        const Json* section = RstcliSection(call.machine);
        if (section != nullptr) {
            result.durationMs = JsonNumber(section->value("durationMs", Json(kDefaultDurationMs)),
                                           kDefaultDurationMs);
            if (AsksForInformation(call)) {
                for (const char* key : {"report", "outputFile"}) {
                    if (section->contains(key)) {
                        result.output =
                            call.machine.MachineFile(section->at(key).get<std::string>());
                    }
                }
                if (section->contains("output")) {
                    result.output = section->at("output").get<std::string>();
                }
            }
        }
        return result;
    });
}

}  // namespace sim
