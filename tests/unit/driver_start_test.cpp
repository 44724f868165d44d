#include "config/driver_start.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "probe_fake_os.h"

namespace {

using probe_test::FakeMachine;

const std::string kServices = "SYSTEM\\CurrentControlSet\\Services\\";

std::string Set(const std::string& driver, int value) {
    return "set " + kServices + driver + " Start=" + std::to_string(value);
}
std::string Deleted(const std::string& driver) {
    return "delete " + kServices + driver + "\\StartOverride";
}

const std::vector<std::string> kAllDrivers = {"storahci", "iAStorDataMgrSvc", "atapi",
                                              "iaStorV",  "iaStor",           "msahci",
                                              "iaStorAV", "iaStorSV",         "pciide"};
const std::vector<std::string> kOverrides = {"iaStorAV", "iaStorV", "storahci",
                                             "iaStorSV", "pciide",  "atapi"};

std::set<std::string> KeysExcept(const std::vector<std::string>& missing) {
    std::set<std::string> keys;
    for (const std::string& driver : kAllDrivers) {
        if (std::find(missing.begin(), missing.end(), driver) != missing.end()) continue;
        keys.insert(kServices + driver);
    }
    for (const std::string& driver : kOverrides) {
        if (std::find(missing.begin(), missing.end(), driver + "\\StartOverride") != missing.end())
            continue;
        keys.insert(kServices + driver + "\\StartOverride");
    }
    return keys;
}

enum class Mode { Ide, Ahci, Raid };

std::vector<std::string> ModernOff() {
    std::vector<std::string> e = {Set("storahci", 3), Set("iAStorDataMgrSvc", 3), Set("atapi", 3)};
    for (const std::string& d : kOverrides) e.push_back(Deleted(d));
    return e;
}
std::vector<std::string> ModernAhci() {
    std::vector<std::string> e = {Set("storahci", 0), Set("iAStorDataMgrSvc", 3), Set("atapi", 0)};
    for (const std::string& d : kOverrides) e.push_back(Deleted(d));
    return e;
}

TEST(DriverStart, WritesTheReleasesValuesInOrderAndStopsAtTheFirstFailedOpen) {
    struct Case {
        const char* what;
        int osCode;
        Mode mode;
        std::vector<std::string> missing;  // driver keys (or "<driver>\StartOverride") absent
        std::vector<std::string> effects;  // values written and keys deleted, in order
        int result;
    };
    const Case cases[] = {
        // Vista
        {"Vista IDE", 18, Mode::Ide, {}, {Set("iaStorV", 4)}, 1},
        {"Vista AHCI", 19, Mode::Ahci, {}, {Set("iaStorV", 4), Set("msahci", 0)}, 1},
        {"Vista RAID", 18, Mode::Raid, {}, {Set("iaStorV", 0), Set("msahci", 4)}, 1},
        // Windows 7
        {"7 IDE", 20, Mode::Ide, {}, {Set("iaStorV", 3)}, 1},
        {"7 AHCI", 21, Mode::Ahci, {}, {Set("iaStorV", 3), Set("msahci", 0)}, 1},
        {"7 RAID", 21, Mode::Raid, {}, {Set("iaStorV", 0), Set("msahci", 3)}, 1},
        {"7 IDE only iaStor", 20, Mode::Ide, {"iaStorV"}, {Set("iaStor", 3)}, 1},
        {"7 AHCI only iaStor",
         21,
         Mode::Ahci,
         {"iaStorV"},
         {Set("iaStor", 3), Set("msahci", 0)},
         1},
        {"7 RAID only iaStor",
         20,
         Mode::Raid,
         {"iaStorV"},
         {Set("iaStor", 0), Set("msahci", 3)},
         1},
        {"7 RAID neither", 21, Mode::Raid, {"iaStorV", "iaStor"}, {}, 0},
        {"7 AHCI no msahci", 21, Mode::Ahci, {"msahci"}, {Set("iaStorV", 3)}, 0},
        {"7 RAID no msahci", 20, Mode::Raid, {"msahci"}, {Set("iaStorV", 0)}, 0},
        // Windows 8.1 and 10
        {"8.1 IDE", 22, Mode::Ide, {}, ModernOff(), 1},
        {"8.1 AHCI 64", 23, Mode::Ahci, {}, ModernAhci(), 1},
        {"10 RAID", 32, Mode::Raid, {}, ModernOff(), 1},
        {"10 IDE 64", 33, Mode::Ide, {}, ModernOff(), 1},
        {"10 AHCI 64", 33, Mode::Ahci, {}, ModernAhci(), 1},
        {"10 no data manager", 33, Mode::Raid, {"iAStorDataMgrSvc"}, {Set("storahci", 3)}, 1},
        {"10 no storahci", 32, Mode::Ahci, {"storahci"}, {}, 1},
        {"10 no atapi",
         32,
         Mode::Ahci,
         {"atapi"},
         {Set("storahci", 0), Set("iAStorDataMgrSvc", 3)},
         1},
        {"10 some overrides absent",
         33,
         Mode::Raid,
         {"iaStorV\\StartOverride", "pciide\\StartOverride"},
         {Set("storahci", 3), Set("iAStorDataMgrSvc", 3), Set("atapi", 3), Deleted("iaStorAV"),
          Deleted("storahci"), Deleted("iaStorSV"), Deleted("atapi")},
         1},
        // Releases without driver settings
        {"8 (code 0)", 0, Mode::Raid, {}, {}, 1},
        {"XP", 16, Mode::Ahci, {}, {}, 1},
        {"XP 64", 17, Mode::Ide, {}, {}, 1},
    };
    for (const Case& c : cases) {
        FakeMachine m;
        m.registry.keys = KeysExcept(c.missing);
        m.ctx.g_nOSCode = static_cast<std::uint8_t>(c.osCode);
        int result = -1;
        switch (c.mode) {
            case Mode::Ide:
                result = ConfigureDriversIde(m.ctx);
                break;
            case Mode::Ahci:
                result = ConfigureDriversAhci(m.ctx);
                break;
            case Mode::Raid:
                result = ConfigureDriversRaid(m.ctx);
                break;
        }
        std::vector<std::string> effects;
        for (const std::string& e : m.registry.events) {
            if (e.rfind("set ", 0) == 0 || e.rfind("delete ", 0) == 0) effects.push_back(e);
        }
        EXPECT_EQ(effects, c.effects) << c.what;
        EXPECT_EQ(result, c.result) << c.what;

        // The 64-bit view on 64-bit Windows 8.1 and 10 only.
        const bool view64 = c.osCode == 23 || c.osCode == 33;
        for (const std::string& e : m.registry.events) {
            if (e.rfind("open ", 0) != 0 && e.rfind("fail ", 0) != 0) continue;
            EXPECT_EQ(e.size() > 3 && e.compare(e.size() - 3, 3, " 64") == 0, view64)
                << c.what << ": " << e;
        }
    }
}

TEST(DriverStart, ModernRoutinesReturnZeroEvenWhenEverythingWasWritten) {
    FakeMachine m;
    m.registry.keys = KeysExcept({});
    m.ctx.g_nOSCode = 32;
    EXPECT_EQ(ConfigureModernDriversOff(m.ctx), 0);
    EXPECT_EQ(ConfigureModernDriversAhci(m.ctx), 0);
    EXPECT_EQ(m.registry.Events("set").size(), 6u);
}

TEST(DriverStart, AFailedOpenIsLogged) {
    FakeMachine m;
    m.registry.keys = KeysExcept({"iaStorV", "iaStor"});
    m.ctx.g_nOSCode = 21;
    ConfigureDriversRaid(m.ctx);
    EXPECT_NE(m.LogText().find("iaStorV or iaStor cannot be opened"), std::string::npos)
        << m.LogText();
}

}  // namespace
