// The preparation that precedes every operation and the operation switch.
#pragma once

#include "app/command_line.h"

struct RunContext;

// Stores the program's directory (from the module's file name, ending in a backslash) in
// g_strAppDir, makes it the current directory and puts volkit.log there.
void SetProgramDirectory(RunContext& ctx);

// Loads the port-I/O library, detects the IRST release, clears the restart flag and runs the
// operation. Returns 1 after the operation switch has run, 0 when the port-I/O library cannot be
// loaded (nothing runs then).
int RunOperation(RunContext& ctx, const OperationRequest& request);

// RunOperation for a decoded request; "-func14 " is bracketed by EnableShutdownPrivilege.
void RunRequest(RunContext& ctx, const OperationRequest& request);
