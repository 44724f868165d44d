#include "config/driver_start.h"

#include <array>
#include <cstdint>
#include <string>

#include "app/run_context.h"
#include "common/text.h"
#include "config/registry.h"

namespace {

enum class Group { Other, Vista, Seven, Modern };

Group GroupOf(std::uint8_t code) {
    switch (code) {
        case 18:
        case 19:
            return Group::Vista;
        case 20:
        case 21:
            return Group::Seven;
        case 22:
        case 23:
        case 32:
        case 33:
            return Group::Modern;
        default:
            return Group::Other;
    }
}

bool IsModern64(std::uint8_t code) {
    return code == 23 || code == 33;
}

std::string ServiceKey(const char* driver) {
    return std::string(kServicesKeyPath) + driver;
}

class DriverWriter {
  public:
    explicit DriverWriter(RunContext& ctx)
        : ctx_(ctx),
          registry_(ctx.os.registry, os::kHkeyLocalMachine),
          view64_(IsModern64(ctx.g_nOSCode)) {}

    // Opens the first of the drivers' keys that opens, writes "Start" and closes it. False when
    // none of them opens.
    template <std::size_t N>
    bool WriteStart(const std::array<const char*, N>& drivers, std::uint32_t value) {
        for (const char* driver : drivers) {
            const std::string path = ServiceKey(driver);
            const bool opened = view64_ ? registry_.Open64(os::kHkeyLocalMachine, path)
                                        : registry_.Open(os::kHkeyLocalMachine, path);
            if (!opened) continue;
            const bool written = registry_.WriteDword("Start", value);
            registry_.Close();
            ctx_.log.Write(std::string("Drivers: ") + driver + " Start = " + text::Decimal(value) +
                           (written ? " written" : " could not be written"));
            return true;
        }
        std::string names;
        for (const char* driver : drivers)
            names += std::string(names.empty() ? "" : " or ") + driver;
        ctx_.log.Write("Drivers: key " + names + " cannot be opened, no further driver changed");
        return false;
    }
    bool WriteStart(const char* driver, std::uint32_t value) {
        return WriteStart(std::array<const char*, 1>{driver}, value);
    }

    void DeleteOverride(const char* driver) {
        const std::string path = ServiceKey(driver) + "\\StartOverride";
        if (registry_.DeleteKey(os::kHkeyLocalMachine, path)) {
            ctx_.log.Write(std::string("Drivers: ") + driver + "\\StartOverride deleted");
        }
    }

  private:
    RunContext& ctx_;
    CRegistry registry_;
    bool view64_;
};

constexpr std::array<const char*, 2> kRaidFamily = {"iaStorV", "iaStor"};
constexpr std::array<const char*, 6> kOverrideDrivers = {"iaStorAV", "iaStorV", "storahci",
                                                         "iaStorSV", "pciide",  "atapi"};

int ConfigureModern(RunContext& ctx, std::uint32_t storahci, std::uint32_t atapi) {
    DriverWriter writer(ctx);
    if (!writer.WriteStart("storahci", storahci)) return 0;
    if (!writer.WriteStart("iAStorDataMgrSvc", 3)) return 0;
    if (!writer.WriteStart("atapi", atapi)) return 0;
    for (const char* driver : kOverrideDrivers) writer.DeleteOverride(driver);
    return 0;
}

// The RAID-family driver's value and, when given, msahci's, for Windows 7 and Vista.
int ConfigureClassic(RunContext& ctx, std::uint32_t raidFamily, const std::uint32_t* msahci) {
    DriverWriter writer(ctx);
    if (!writer.WriteStart(kRaidFamily, raidFamily)) return 0;
    if (msahci != nullptr && !writer.WriteStart("msahci", *msahci)) return 0;
    return 1;
}

// One mode's values: the RAID-family driver and msahci on Windows 7 and Vista (msahci absent in
// IDE mode, where it keeps its value).
struct ModeValues {
    std::uint32_t sevenRaidFamily;
    std::uint32_t vistaRaidFamily;
    bool writesMsahci;
    std::uint32_t sevenMsahci;
    std::uint32_t vistaMsahci;
    int (*modern)(RunContext&);
};

int ConfigureMode(RunContext& ctx, const ModeValues& values) {
    switch (GroupOf(ctx.g_nOSCode)) {
        case Group::Modern:
            // The modern routine's own result says nothing; Windows 7 and Vista steps do not
            // apply to these codes.
            values.modern(ctx);
            return 1;
        case Group::Seven:
            return ConfigureClassic(ctx, values.sevenRaidFamily,
                                    values.writesMsahci ? &values.sevenMsahci : nullptr);
        case Group::Vista:
            return ConfigureClassic(ctx, values.vistaRaidFamily,
                                    values.writesMsahci ? &values.vistaMsahci : nullptr);
        case Group::Other:
            break;
    }
    ctx.log.Write("Drivers: Windows release code " + text::Decimal(ctx.g_nOSCode) +
                  " has no driver settings, nothing written");
    return 1;
}

}  // namespace

int ConfigureModernDriversOff(RunContext& ctx) {
    return ConfigureModern(ctx, 3, 3);
}

int ConfigureModernDriversAhci(RunContext& ctx) {
    return ConfigureModern(ctx, 0, 0);
}

int ConfigureDriversIde(RunContext& ctx) {
    return ConfigureMode(ctx, {3, 4, false, 0, 0, ConfigureModernDriversOff});
}

int ConfigureDriversAhci(RunContext& ctx) {
    return ConfigureMode(ctx, {3, 4, true, 0, 0, ConfigureModernDriversAhci});
}

int ConfigureDriversRaid(RunContext& ctx) {
    return ConfigureMode(ctx, {0, 0, true, 3, 4, ConfigureModernDriversOff});
}
