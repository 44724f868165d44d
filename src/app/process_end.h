// The one way the process ends: the hidden main dialog (the top-level window captioned "VKT")
// receives WM_CLOSE, then the process exits with the code.
#pragma once

struct RunContext;

// Exit codes: 0 the operation ran (or none was asked for), 1 a report error ending, 2 a refused
// request (kExitRefused).
[[noreturn]] void EndProcess(RunContext& ctx, int exitCode);
