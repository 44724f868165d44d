// Writing the embedded rstcli build to disk and running its information report.
#pragma once

#include <string>

struct RunContext;

// Writes the BINARY resource id of the program's own module to path. False only when the file
// cannot be created.
bool WriteBinaryResource(RunContext& ctx, unsigned id, const std::string& path);
// Writes the rstcli build for ctx.IrstRelease to path when one is carried; otherwise nothing.
void DeployRstcli(RunContext& ctx, const std::string& path);
// The scan's IRST step: deploys rstcli and cli.bat in the Windows directory, runs the report,
// loads Kcli.txt into ctx.RstcliReportText and parses it.
void RunRstcliInformation(RunContext& ctx);
