#include <exception>
#include <stdexcept>

#include "app/volkit_app.h"
#include "os/sim/core.h"
#include "os/sim/machine.h"

namespace sim {

int RunVolkit(Machine& machine, const std::string& commandLine) {
    Core& core = machine.GetCore();
    Core* previous = ActiveCore();
    SetActiveCore(&core);
    struct Restore {
        Core* previous;
        ~Restore() { SetActiveCore(previous); }
    } restore{previous};
    core.Record("run", core.programPath + " " + commandLine);
    try {
        VolkitMain(core.Os(), commandLine);
    } catch (const ProcessExit& exit) {
        return exit.exitCode;
    } catch (const SimulationLimit& limit) {
        throw std::runtime_error(limit.reason);
    } catch (const std::exception& e) {
        core.RecordLoud("crash", e.what());
        throw;
    }
    // The program returned instead of ending the process: as WinMain returning 0.
    core.Record("exit", "0 (returned)");
    return 0;
}

}  // namespace sim
