#include <gtest/gtest.h>

#include "app/run_context.h"
#include "fake_os.h"
#include "irst/release.h"

namespace {

TEST(IrstRelease, RecognitionClassificationAndTool) {
    struct Case {
        const char* version;
        bool recognised;
        int release;
        unsigned resource;
    };
    const Case cases[] = {
        {"11.5.0.1207", true, 2, 133},
        {"11.6.0.1030", true, 1, 0},
        {"12.0.0.1083", true, 120, 0},
        {"12.6.0.1033", true, 126, 0},
        {"12.8.0.1016", true, 128, 0},
        {"13.0.0.1098", true, 130, 0},
        {"13.1.0.1058", true, 131, 0},
        {"13.6.0.1002", true, 136, 140},
        {"14.5.0.1034", true, 145, 142},
        {"14.6.0.1029", true, 146, 143},
        {"14.8.0.1042", true, 148, 145},
        {"15.2.0.1008", true, 152, 146},
        {"15.5.0.1044", true, 155, 147},
        {"15.7.0.1002", true, 157, 148},
        // Recognised releases without a row: code 0, no tool.
        {"10.5.0.1026", true, 0, 0},
        {"10.6.0.1002", true, 0, 0},
        {"11.0.0.1032", true, 0, 0},
        {"11.1.0.1006", true, 0, 0},
        {"14.0.0.1095", true, 0, 0},
        // Substring anywhere; the first row of the table wins.
        {"v15.7.0.1002", true, 157, 148},
        {"14.8.11.6.1", true, 1, 0},
        {"11.5.11.6.", true, 1, 0},
        // Not recognised.
        {"9.6.0.1014", false, 0, 0},
        {"15.7", false, 0, 0},
        {"15,7,0,1002", false, 0, 0},
        {"", false, 0, 0},
        {"16.0.0.1", false, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsRecognisedRelease(c.version), c.recognised) << c.version;
        EXPECT_EQ(ClassifyRelease(c.version), c.release) << c.version;
        EXPECT_EQ(RstcliResourceId(ClassifyRelease(c.version)), c.resource) << c.version;
    }
}

constexpr const char* kIrstKey = "SOFTWARE\\Intel\\IRST";

TEST(IrstRelease, DetectionReadsLastKitInstalledThenVersion) {
    struct Case {
        const char* name;
        std::uint8_t osCode;
        bool keyIn32, keyIn64;
        const char* lastKit32;  // in the 32-bit view (nullptr: absent)
        const char* lastKit64;  // in the native view
        const char* version32;
        bool result;
        int release;
    };
    const Case cases[] = {
        {"LastKit148", 20, true, false, "14.8.0.1042", nullptr, nullptr, true, 148},
        {"LastKitOld_Version157", 20, true, false, "9.6.0.1014", nullptr, "15.7.0.1002", true, 157},
        {"LastKit140", 20, true, false, "14.0.0.1095", nullptr, nullptr, true, 0},
        {"NothingRecognised", 20, true, false, "9.6.0.1014", nullptr, "9.5", false, 0},
        {"NoValues", 20, true, false, nullptr, nullptr, nullptr, false, 0},
        {"NoKey", 20, false, false, nullptr, nullptr, nullptr, false, 0},
        // 64-bit Windows 7 and 8.1 read LastKitInstalled from the native view, Version from
        // the 32-bit view.
        {"Win7x64Native", 21, false, true, nullptr, "13.6.0.1002", nullptr, true, 136},
        {"Win81x64Native", 23, false, true, nullptr, "15.5.0.1044", nullptr, true, 155},
        {"Win7x64VersionIn32", 21, true, true, nullptr, "9.6", "15.2.0.1008", true, 152},
        {"Win7x64No32BitKey", 21, false, true, nullptr, "9.6", nullptr, false, 0},
        // 64-bit Windows 10 reads through the 32-bit view only.
        {"Win10x64Reads32", 33, true, true, "14.6.0.1029", "15.7.0.1002", nullptr, true, 146},
        {"Win10x64Only64", 33, false, true, nullptr, "15.7.0.1002", nullptr, false, 0},
    };
    for (const Case& c : cases) {
        fake::Machine machine;
        auto& keys = machine.registry.keys;
        if (c.keyIn32) keys[{false, kIrstKey}];
        if (c.keyIn64) keys[{true, kIrstKey}];
        if (c.lastKit32)
            machine.registry.SetString(false, kIrstKey, "LastKitInstalled", c.lastKit32);
        if (c.lastKit64)
            machine.registry.SetString(true, kIrstKey, "LastKitInstalled", c.lastKit64);
        if (c.version32) machine.registry.SetString(false, kIrstKey, "Version", c.version32);
        RunContext ctx(machine.os);
        ctx.g_nOSCode = c.osCode;
        ctx.IrstRelease = 77;
        EXPECT_EQ(DetectIrstRelease(ctx), c.result) << c.name;
        EXPECT_EQ(ctx.IrstRelease, c.release) << c.name;
    }
}

TEST(IrstRelease, ValueLongerThanTwoHundredBytesCountsAsAbsent) {
    fake::Machine machine;
    machine.registry.SetString(false, kIrstKey, "LastKitInstalled",
                               "15.7.0.1002" + std::string(195, ' '));
    machine.registry.SetString(false, kIrstKey, "Version", "14.5.0.1034");
    RunContext ctx(machine.os);
    EXPECT_TRUE(DetectIrstRelease(ctx));
    EXPECT_EQ(ctx.IrstRelease, 145);
}

}  // namespace
