// The program's entry: CVOLKITApp::InitInstance with the hidden main dialog. Both builds call it:
// WinMain with the real OS, the simulator with its simulated PC.
#pragma once

#include <string>

#include "os/os.h"

// Runs the program once with the command line that follows the program name. Ends the process
// through os.processes.ExitProcess (which, in the simulator, unwinds to its runner).
void VolkitMain(os::Os& os, const std::string& commandLine);
