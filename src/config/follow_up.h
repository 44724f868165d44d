// The follow-up program "tidalpretray.exe" beside this program, started by Windows at the next
// logon (operation 7), and its withdrawal (operation 8).
#pragma once

struct RunContext;

// Writes the value "TIDAL" under RunOnce (Vista and later) or Run; on Windows 8.1 also copies
// "marlinex.scf" into the user's Startup folder.
void RegisterFollowUp(RunContext& ctx);
// Overwrites "TIDAL" so that it no longer names the program; on Windows 8.1 deletes the Startup
// folder's "marlinex.scf".
void UnregisterFollowUp(RunContext& ctx);
