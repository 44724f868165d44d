// volkit-sim: runs VOLKIT once on a simulated PC and prints what it did.
//
//   volkit-sim [--machine DIR] [--root DIR] [-- -funcN ...]
//
// DIR of --machine holds machine.json (default: the bundled examples/default). Files land under
// the --root folder (drive C: is <root>/C); without it a fresh temporary folder is used and kept,
// so that what the run wrote can be looked at. Without arguments after "--" it runs "-func0".
#include <cstdio>
#include <exception>
#include <string>

#include "os/sim/machine.h"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: volkit-sim [--machine DIR] [--root DIR] [-- -funcN ...]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string machineDir = VOLKIT_DEFAULT_MACHINE;
    std::string root;
    std::string commandLine;
    bool haveCommand = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") {
            for (int j = i + 1; j < argc; ++j) {
                if (haveCommand) commandLine += ' ';
                commandLine += argv[j];
                haveCommand = true;
            }
            break;
        }
        if ((arg == "--machine" || arg == "--root") && i + 1 < argc) {
            (arg == "--machine" ? machineDir : root) = argv[++i];
        } else {
            return Usage();
        }
    }
    if (!haveCommand) commandLine = "-func0";

    try {
        if (root.empty()) root = sim::MakeTemporaryRoot();
        std::unique_ptr<sim::Machine> machine = sim::Machine::Load(machineDir, root);
        const int exitCode = sim::RunVolkit(*machine, commandLine);
        std::printf("== machine %s, root %s\n== VOLKIT.exe %s\n", machineDir.c_str(), root.c_str(),
                    commandLine.c_str());
        std::printf("== journal\n%s", machine->JournalText().c_str());
        std::printf("== exit code %d\n", exitCode);
        std::string program = machine->Os().files.ModuleFileName();
        const std::size_t slash = program.find_last_of('\\');
        const std::string report = program.substr(0, slash + 1) + "Diskmode.xml";
        if (auto xml = machine->ReadFile(report)) {
            std::printf("== %s\n%s", report.c_str(), xml->c_str());
            if (!xml->empty() && xml->back() != '\n') std::printf("\n");
        }
        return exitCode;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "volkit-sim: %s\n", e.what());
        return 3;
    }
}
