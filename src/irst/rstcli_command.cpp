#include "irst/rstcli_command.h"

#include "app/run_context.h"
#include "common/refusal.h"
#include "common/text.h"

namespace irst {

int FormNumber(std::string_view digits) {
    int value = 0;
    for (char c : digits) {
        if (!text::IsDigit(static_cast<unsigned char>(c))) return 4;
        value = value * 10 + (c - '0');
        if (value > 3) return 4;
    }
    return value;
}

void RequireCommandSafe(std::string_view value, const std::string& what) {
    for (char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"') throw Refusal(what + " \"" + std::string(value) + "\" holds a double quote");
        if (byte < 0x20 || byte == 0x7F) {
            throw Refusal(what + " holds the control character " + std::to_string(byte));
        }
    }
}

bool StartRstcli(RunContext& ctx, const std::string& toolPath, const std::string& commandText,
                 std::uint32_t waitBoundMilliseconds) {
    const std::string commandLine = text::QuoteIfBlank(toolPath) + commandText;
    const os::ProcessHandle process = ctx.os.processes.StartHidden(commandLine);
    if (process == 0) {
        ctx.log.Write("could not start " + commandLine);
        return false;
    }
    ctx.log.Write("started " + commandLine);
    if (waitBoundMilliseconds > 0) {
        const std::uint64_t began = ctx.os.clock.NowMilliseconds();
        if (ctx.os.processes.Wait(process, waitBoundMilliseconds) == os::kWaitObject0) {
            ctx.log.Write("rstcli ended after " +
                          std::to_string(ctx.os.clock.NowMilliseconds() - began) + " ms");
        } else {
            ctx.log.Write("rstcli still runs after " + std::to_string(waitBoundMilliseconds) +
                          " ms; going on");
        }
    }
    ctx.os.processes.CloseProcess(process);
    return true;
}

}  // namespace irst
