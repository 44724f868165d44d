#include "irst/raid.h"

#include "app/run_context.h"
#include "common/text.h"
#include "irst/deploy.h"
#include "irst/rstcli_command.h"

void CreateRaidVolume(RunContext& ctx, int raidLevel, const std::string& argument) {
    // The whole command is settled first: a bad argument is refused before anything is written.
    const std::string command = BuildRaidCreateCommand(raidLevel, ctx.IrstRelease, argument);

    const std::string windowsDirectory = ctx.os.files.WindowsDirectory();
    const std::string toolPath = text::JoinPath(windowsDirectory, "rstcli.exe");
    ctx.os.files.SetAttributes(toolPath, os::kFileAttributeNormal);
    DeployRstcli(ctx, toolPath);

    // The tool may take a moment to appear: one look at once, then up to ten more a second apart.
    bool present = ctx.os.files.CanOpenForRead(toolPath);
    for (int tries = 0; !present && tries < 10; ++tries) {
        ctx.os.clock.Sleep(1000);
        present = ctx.os.files.CanOpenForRead(toolPath);
    }
    if (!present) ctx.log.Write(toolPath + " cannot be opened; starting the create command anyway");

    ctx.os.files.SetCurrentDirectory(windowsDirectory);
    irst::StartRstcli(ctx, toolPath, command, 0);
}
