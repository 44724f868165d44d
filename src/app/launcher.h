// Child programs started hidden, the poll timer that watches the last one, and the shutdown
// privilege.
#pragma once

#include <cstdint>
#include <string>

struct RunContext;

// Starts a program hidden (CreateProcessA, SW_HIDE), waits at most 10 s for it to be idle for
// input, and arms poll timer 0 of the dialog when it started. Returns whether it started.
bool LaunchHidden(RunContext& ctx, const std::string& commandLine);

// The poll timer's tick (timer id 0).
void OnChildTimer(RunContext& ctx);

// Enables (TRUE) or disables (FALSE) SeShutdownPrivilege; acts only on major version 5.
bool EnableShutdownPrivilege(RunContext& ctx, bool enable);

// Waits for a started program to end, at most the given time: one process wait, which ends as
// soon as the program has ended. Returns true when it ended within the bound. Closes nothing.
bool WaitForProgram(RunContext& ctx, std::uintptr_t process, std::uint32_t boundMilliseconds);
