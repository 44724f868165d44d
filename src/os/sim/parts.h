// The areas of the simulated PC, each in its own file, all over one Core.
#pragma once

#include <memory>

#include "os/os.h"
#include "os/sim/core.h"

namespace sim {

std::unique_ptr<os::Registry> MakeRegistry(Core& core);
std::unique_ptr<os::Files> MakeFiles(Core& core);
std::unique_ptr<os::Processes> MakeProcesses(Core& core);
std::unique_ptr<os::Services> MakeServices(Core& core);
std::unique_ptr<os::Devices> MakeDevices(Core& core);
std::unique_ptr<os::Libraries> MakeLibraries(Core& core);
std::unique_ptr<os::Processor> MakeProcessor(Core& core);
std::unique_ptr<os::System> MakeSystem(Core& core);
std::unique_ptr<os::Windowing> MakeWindowing(Core& core);
std::unique_ptr<os::Clock> MakeClock(Core& core);

// Wildcard match of a file name against a FindFirstFile pattern ('*' and '?', no case).
bool WildcardMatch(const std::string& pattern, const std::string& name);

}  // namespace sim
