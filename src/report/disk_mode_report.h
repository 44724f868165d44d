// Operation 0: the disk-mode report "Diskmode.xml" in the program's directory.
#pragma once

#include <cstdint>
#include <string>

struct RunContext;

inline constexpr int kExitReportError = 1;
inline constexpr const char* kReportFileName = "Diskmode.xml";

// Scans the machine and writes the report. Returns after a complete report; every error ending
// puts its document in place, closes the dialog window and ends the process with exit code 1.
void WriteDiskModeReport(RunContext& ctx);

// Deletes a file and waits until it can no longer be opened, at most boundMs. True when it is
// gone.
bool DeleteFileAndWait(RunContext& ctx, const std::string& path, std::uint32_t boundMs);
