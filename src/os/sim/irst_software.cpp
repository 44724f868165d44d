// The IRST software on the simulated PC: Windows Installer ("Msiexec.exe /x{code} ...") removing
// IRST products. The machine's "irstSoftware" section says how it behaves (every entry may be left
// out):
//   "irstSoftware": {
//     "uninstallMs": 8000 | "never",  how long each uninstaller runs (default 5000)
//     "products": ["{CODE}", ...],    installed product codes; an uninstall of any other code ends
//                                     at once with 1605 (absent: every code is installed)
//     "uiRemovedAfterMs": 4000        an uninstaller deletes the IRST user-interface program this
//                                     long after it starts (absent: it stays)
//   }
// An uninstall started with "/forcerestart" restarts Windows when it ends. The data-manager
// service and the tray program are described in "services" and "processes", the installer
// "setuprst157.exe" in "programs".
#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>

#include "common/text.h"
#include "os/sim/core.h"
#include "os/sim/models.h"

namespace sim {

namespace {

constexpr std::uint32_t kErrorUnknownProduct = 1605;
constexpr std::uint64_t kDefaultUninstallMs = 5000;
constexpr const char* kUiSubPath = "\\Intel\\Intel(R) Rapid Storage Technology\\IAStorUI.exe";

const Json& Settings(Core& machine) {
    static const Json empty = Json::object();
    const Json& section = machine.Section("irstSoftware");
    return section.is_object() ? section : empty;
}

std::string UiProgramPath(Core& machine) {
    std::string folder;
    machine.Os().files.SpecialFolder(os::kCsidlProgramFiles, &folder);
    return folder + kUiSubPath;
}

void RemoveUiProgram(Core& machine) {
    const std::string path = UiProgramPath(machine);
    const auto host = machine.Resolve(path);
    std::error_code ec;
    if (host && std::filesystem::remove(*host, ec)) machine.Record("file.delete", path);
}

ProgramResult Msiexec(ProgramCall& call) {
    Core& machine = call.machine;
    const Json& settings = Settings(machine);
    ProgramResult result;

    std::string code;
    bool forceRestart = false;
    for (const std::string& argument : call.arguments) {
        if (text::StartsWith(text::Lower(argument), "/x")) code = argument.substr(2);
        if (text::EqualsNoCase(argument, "/forcerestart")) forceRestart = true;
    }
    if (code.empty()) return result;  // nothing this machine models: ends at once

    if (settings.contains("products")) {
        const Json& products = settings.at("products");
        const bool installed = std::any_of(products.begin(), products.end(), [&](const Json& p) {
            return text::EqualsNoCase(p.get<std::string>(), code);
        });
        if (!installed) {
            result.exitCode = kErrorUnknownProduct;
            return result;
        }
    }

    const Json duration = settings.value("uninstallMs", Json(kDefaultUninstallMs));
    if (duration.is_string() && UpperText(duration.get<std::string>()) == "NEVER") {
        result.neverEnds = true;
    } else {
        result.durationMs = JsonNumber(duration, kDefaultUninstallMs);
    }
    if (settings.contains("uiRemovedAfterMs")) {
        Core* m = &machine;
        machine.At(machine.Now() + JsonNumber(settings.at("uiRemovedAfterMs"), 0),
                   [m] { RemoveUiProgram(*m); });
    }
    Core* m = &machine;
    result.atEnd = [m, code, forceRestart] {
        m->Record("product.removed", code);
        if (forceRestart) m->Record("system.restart", "asked by the uninstaller of " + code);
    };
    return result;
}

}  // namespace

void RegisterIrstSoftwareModels(ModelRegistry& models) {
    models.AddProgram("msiexec", Msiexec, /*systemProgram=*/true);
}

}  // namespace sim
