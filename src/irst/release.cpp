#include "irst/release.h"

#include <array>
#include <string_view>

#include "app/run_context.h"
#include "common/text.h"
#include "config/registry.h"

namespace {

// A version text is recognised when it holds any of these prefixes anywhere.
constexpr std::array<std::string_view, 19> kRecognisedPrefixes = {
    "10.5.", "10.6.", "11.0.", "11.1.", "11.5.", "11.6.", "12.0.", "12.6.", "12.8.", "13.0.",
    "13.1.", "13.6.", "14.0.", "14.5.", "14.6.", "14.8.", "15.2.", "15.5.", "15.7.",
};

struct ReleaseRow {
    std::string_view prefix;
    int release;
};

// Tried in this order; the first prefix that occurs gives the release code. 11.6 and 11.5 keep
// their historic codes 1 and 2.
constexpr std::array<ReleaseRow, 14> kReleasePrefixTable = {{
    {"11.6.", 1},
    {"11.5.", 2},
    {"12.0.", 120},
    {"12.6.", 126},
    {"12.8.", 128},
    {"13.0.", 130},
    {"13.1.", 131},
    {"13.6.", 136},
    {"14.5.", 145},
    {"14.6.", 146},
    {"14.8.", 148},
    {"15.2.", 152},
    {"15.5.", 155},
    {"15.7.", 157},
}};

struct ResourceRow {
    int release;
    unsigned resourceId;
};

// The BINARY resource holding the rstcli build for each release that has one.
constexpr std::array<ResourceRow, 8> kRstcliResourceTable = {{
    {2, 133},
    {136, 140},
    {145, 142},
    {146, 143},
    {148, 145},
    {152, 146},
    {155, 147},
    {157, 148},
}};

constexpr const char* kIrstKey = "SOFTWARE\\Intel\\IRST";

}  // namespace

bool IsRecognisedRelease(const std::string& version) {
    for (std::string_view prefix : kRecognisedPrefixes) {
        if (text::Contains(version, prefix)) return true;
    }
    return false;
}

int ClassifyRelease(const std::string& version) {
    for (const ReleaseRow& row : kReleasePrefixTable) {
        if (text::Contains(version, row.prefix)) return row.release;
    }
    return 0;
}

unsigned RstcliResourceId(int release) {
    for (const ResourceRow& row : kRstcliResourceTable) {
        if (row.release == release) return row.resourceId;
    }
    return 0;
}

bool DetectIrstRelease(RunContext& ctx) {
    ctx.IrstRelease = 0;
    std::string version;
    {
        // The installer's own record; on 64-bit Windows 7 and 8.1 it sits in the 64-bit view.
        CRegistry registry(ctx.os.registry, os::kHkeyLocalMachine);
        const bool native64 = ctx.g_nOSCode == 21 || ctx.g_nOSCode == 23;
        const bool opened = native64 ? registry.Open64(os::kHkeyLocalMachine, kIrstKey)
                                     : registry.Open(os::kHkeyLocalMachine, kIrstKey);
        if (!opened) return false;
        registry.ReadString("LastKitInstalled", &version);
        registry.Close();
    }
    if (!IsRecognisedRelease(version)) {
        // Then the "Version" value in the process's own view.
        CRegistry registry(ctx.os.registry, os::kHkeyLocalMachine);
        if (!registry.Open(os::kHkeyLocalMachine, kIrstKey)) return false;
        registry.ReadString("Version", &version);
        registry.Close();
        if (!IsRecognisedRelease(version)) return false;
    }
    ctx.IrstRelease = ClassifyRelease(version);
    return true;
}
