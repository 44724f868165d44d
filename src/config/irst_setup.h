// IRST removal (operation 5) and installation (operation 6): stopping the data-manager service
// and the tray program, starting one msiexec uninstall per product code from "GUID.txt",
// recording the removed release, and starting the IRST installer beside the program.
#pragma once

#include <string>

#include "config/product_codes.h"

struct RunContext;

inline constexpr const char* kIrstServiceName = "IAStorDataMgrSvc";
inline constexpr const char* kIrstTrayName = "IAStorIcon.exe";
inline constexpr const char* kMsiexecName = "Msiexec.exe";
inline constexpr const char* kIrstUiSubPath =
    "\\Intel\\Intel(R) Rapid Storage Technology\\IAStorUI.exe";
inline constexpr const char* kProductCodeFileName = "GUID.txt";
inline constexpr const char* kIrstInstallerName = "setuprst157.exe";
inline constexpr const char* kIrstReleaseKey = "SOFTWARE\\MORVANTE\\IRST_VER";
inline constexpr const char* kIrstReleaseValue = "version";

// Sends the stop control to the IRST data-manager service. False when it could not be sent.
bool StopIrstService(RunContext& ctx);
// True when the IRST data-manager service is in the running state.
bool IsIrstServiceRunning(RunContext& ctx);
// Ends the first process named "IAStorIcon.exe" (any letter case). False when none was ended.
bool KillIrstTray(RunContext& ctx);
// The number of processes named "Msiexec.exe" (any letter case).
int CountMsiexecProcesses(RunContext& ctx);
// True when the IRST user-interface program can no longer be opened; false while it is there or
// when the Program Files folder cannot be determined.
bool IsIrstUiGone(RunContext& ctx);

// The msiexec command line that removes one product: the 64-bit form leaves the restart to a
// later step, the 32-bit form asks msiexec to restart Windows.
std::string UninstallCommandLine(const std::string& productCode, bool wow64);

// Reads "GUID.txt" and starts one hidden uninstaller per code of the list that fits this
// Windows, then writes the release record. Returns 1 when no IRST release is installed, 0
// otherwise. A malformed file starts nothing, gives the privilege back and raises Refusal.
int UninstallIrstProducts(RunContext& ctx);
// Writes ctx.IrstRelease as "version" under HKLM\SOFTWARE\MORVANTE\IRST_VER.
void WriteIrstReleaseRecord(RunContext& ctx);

// The installer's command line: the program's directory + "setuprst157.exe -s -b", the path
// quoted when it holds a blank.
std::string InstallerCommandLine(const std::string& programDirectory);
// Operation 6: starts the IRST installer hidden and asks for a restart when it has ended.
void InstallIrst(RunContext& ctx);

// Operation 5: stops the service and tray program, waits for the service (at most 100 s),
// starts the uninstallers and waits for them (at most about 20 s, or until the user-interface
// program has disappeared).
void RemoveIrst(RunContext& ctx);
