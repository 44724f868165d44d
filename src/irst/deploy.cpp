#include "irst/deploy.h"

#include <cstdint>
#include <string>

#include "app/launcher.h"
#include "app/run_context.h"
#include "common/text.h"
#include "irst/release.h"
#include "irst/rstcli_report.h"

namespace {

constexpr unsigned kCliBatchResource = 131;
constexpr const char* kBinaryType = "BINARY";

// The scan's upper bound for the tool's files and its report: at most two one-second waits.
constexpr int kMaxSleeps = 2;
constexpr std::uint32_t kSleepMs = 1000;

// A report larger than this is not an rstcli information report; it is not loaded.
constexpr std::int64_t kMaxReportBytes = 16 * 1024 * 1024;

// One try at once, then up to kMaxSleeps more, each after a one-second wait, while the file
// stands there but cannot be opened yet (a scanner may hold a freshly written program); the poll
// ends as soon as it can be opened. A file that is not there at all is not waited for: nothing
// is writing it. *sleeps receives the number of waits spent.
bool WaitUntilReadable(RunContext& ctx, const std::string& path, int* sleeps) {
    *sleeps = 0;
    for (;;) {
        if (ctx.os.files.CanOpenForRead(path)) return true;
        if (*sleeps >= kMaxSleeps ||
            ctx.os.files.GetAttributes(path) == os::kInvalidFileAttributes) {
            return false;
        }
        ctx.os.clock.Sleep(kSleepMs);
        ++*sleeps;
    }
}

bool LoadReport(RunContext& ctx, const std::string& path, std::string* textOut) {
    const std::int64_t size = ctx.os.files.FileSize(path);
    if (size > kMaxReportBytes) {
        ctx.log.Write(path + " holds " + text::Decimal(size) +
                      " bytes, too large for an rstcli report; not loaded");
        return false;
    }
    std::string content;
    if (!ctx.os.files.ReadFile(path, &content)) return false;
    // Kept as the C string it is read as: it ends at its first NUL.
    const std::size_t nul = content.find('\0');
    if (nul != std::string::npos) content.resize(nul);
    *textOut = std::move(content);
    return true;
}

}  // namespace

bool WriteBinaryResource(RunContext& ctx, unsigned id, const std::string& path) {
    std::string bytes;
    if (!ctx.os.system.LoadResourceBytes(kBinaryType, id, &bytes)) {
        // A resource that is not carried gives an empty file.
        bytes.clear();
        ctx.log.Write("resource " + std::to_string(id) + " is not carried; " + path +
                      " is written empty");
    }
    if (!ctx.os.files.WriteFile(path, bytes)) {
        ctx.log.Write("cannot create " + path + " for resource " + std::to_string(id));
        return false;
    }
    ctx.log.Write("wrote resource " + std::to_string(id) + " to " + path + " (" +
                  std::to_string(bytes.size()) + " bytes)");
    return true;
}

void DeployRstcli(RunContext& ctx, const std::string& path) {
    const unsigned id = RstcliResourceId(ctx.IrstRelease);
    if (id == 0) {
        ctx.log.Write("no rstcli build is carried for IRST release code " +
                      std::to_string(ctx.IrstRelease) + "; " + path + " is used as it stands");
        return;
    }
    WriteBinaryResource(ctx, id, path);
}

void RunRstcliInformation(RunContext& ctx) {
    if (!DetectIrstRelease(ctx)) {
        ctx.log.Write("no recognised IRST release: the rstcli report is skipped");
        return;
    }
    ctx.RstcliReportText.clear();

    std::string windows = ctx.os.files.WindowsDirectory();
    // GetWindowsDirectoryA fills a 255-character buffer.
    if (windows.size() > 254) windows.resize(254);
    const std::string tool = windows + "\\rstcli.exe";
    const std::string batch = windows + "\\cli.bat";
    const std::string report = windows + "\\Kcli.txt";

    // Leftovers of the older RAID tool.
    for (const char* name : {"\\Kraid.txt", "\\K.bat", "\\Raidcfg32.exe"}) {
        if (ctx.os.files.DeleteFile(windows + name)) ctx.log.Write("deleted " + windows + name);
    }

    ctx.os.files.SetAttributes(tool, os::kFileAttributeNormal);
    DeployRstcli(ctx, tool);
    int sleeps = 0;
    if (!WaitUntilReadable(ctx, tool, &sleeps)) ctx.log.Write(tool + " cannot be read");

    ctx.os.files.SetAttributes(batch, os::kFileAttributeNormal);
    WriteBinaryResource(ctx, kCliBatchResource, batch);
    if (!WaitUntilReadable(ctx, batch, &sleeps)) ctx.log.Write(batch + " cannot be read");

    ctx.os.files.SetCurrentDirectory(windows);
    // The report is read only once the batch file has ended, or once the scan's time for it has
    // run out (what is left of the two one-second waits).
    const std::uint32_t bound = static_cast<std::uint32_t>(kMaxSleeps - sleeps) * kSleepMs;
    const os::ProcessHandle process = ctx.os.processes.StartHidden(text::QuoteIfBlank(batch));
    std::string loaded;
    bool haveReport = false;
    if (process != 0) {
        ctx.log.Write("started " + batch + " in " + windows);
        const std::uint64_t start = ctx.os.clock.NowMilliseconds();
        const bool ended = WaitForProgram(ctx, process, bound);
        ctx.os.processes.CloseProcess(process);
        if (!ended) {
            ctx.log.Write(batch + " still runs after " +
                          std::to_string(ctx.os.clock.NowMilliseconds() - start) +
                          " ms; its report is read as it stands");
        }
        haveReport = LoadReport(ctx, report, &loaded);
    } else {
        // Nothing runs that could write a report: waiting would be idle. A report that stands
        // there already is read once.
        ctx.log.Write("cannot start " + batch + "; no rstcli report is made");
        haveReport = LoadReport(ctx, report, &loaded);
    }
    if (haveReport) {
        ctx.RstcliReportText = std::move(loaded);
        ctx.log.Write("loaded " + report + " (" + std::to_string(ctx.RstcliReportText.size()) +
                      " bytes)");
    } else {
        ctx.log.Write("no report in " + report + "; the IRST tables stay empty");
    }
    ParseRstcliReport(ctx);
}
