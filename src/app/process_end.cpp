#include "app/process_end.h"

#include <cstdlib>
#include <string>

#include "app/run_context.h"

void EndProcess(RunContext& ctx, int exitCode) {
    const os::WindowHandle window = ctx.os.windowing.FindTopLevelWindow("VKT");
    if (window != 0) {
        ctx.os.windowing.SendClose(window);
        ctx.log.Write("sent WM_CLOSE to the window \"VKT\"; exit code " + std::to_string(exitCode));
    } else {
        ctx.log.Write("no window \"VKT\" to close; exit code " + std::to_string(exitCode));
    }
    ctx.os.processes.ExitProcess(exitCode);
    std::abort();  // ExitProcess does not come back
}
