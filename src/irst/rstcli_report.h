// The rstcli information report ("rstcli.exe -I"): turns its text into the IRST disk and volume
// tables and the acceleration and migration flags.
#pragma once

#include <string_view>

#include "disks/disk_tables.h"
#include "irst/rst_tables.h"

struct RunContext;

namespace irst {

// Parses a report text for the given IRST release code into rst (which is reset first). The
// serials of the physical disks that hold an IRST system disk are upper-cased in disks.
//
// The text is read as the C string it was loaded as: it ends at its first NUL. Nothing is read
// past its end. A block's keys are looked for only up to the next "ID:", so values are only taken
// from the block's own lines. A block that lacks one of its keys keeps the values read before
// that key and leaves the rest empty; it still counts as a disk. The last block of the text is
// different: when it stops before its model line (a report cut short) it is dropped and the disk
// loop ends; the blocks before it stay. A block without a "Type:" key is not a disk. At most
// kMaxRstDisks disks are stored; further blocks are ignored.
struct ReportParseResult {
    int incompleteBlocks = 0;  // disk blocks that lacked a key and were stored in part
    bool cutShort = false;     // the text ended inside a disk block
};
ReportParseResult ParseReportText(std::string_view text, int release, RstState& rst,
                                  disks::DiskState& disks);

}  // namespace irst

// Parses ctx.RstcliReportText for ctx.IrstRelease into ctx.rst.
void ParseRstcliReport(RunContext& ctx);
