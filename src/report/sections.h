// The per-disk and IRST sections of the disk-mode report.
#pragma once

#include <string>

#include "report/report_document.h"

struct RunContext;

namespace report {

// HDD_Count and one section of twelve lines per identified disk. When the disk table and the IRST
// disk table line up pair by pair, each IRST record also receives its disk's drive letters.
void WriteDiskSections(RunContext& ctx, ReportDocument& doc);

// Acceleration, release, migration, the volume and every IRST disk.
void WriteIrstSections(RunContext& ctx, ReportDocument& doc);

// The drive letters of a physical disk, in table order, joined with ",".
std::string DriveLetterList(const RunContext& ctx, int driveNumber);

}  // namespace report
