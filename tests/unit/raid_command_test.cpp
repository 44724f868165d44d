#include <gtest/gtest.h>

#include <string>

#include "common/refusal.h"
#include "irst/raid.h"

namespace {

struct RaidCase {
    int release;
    int level;
    const char* argument;
    const char* command;  // the text after the tool path
};

class RaidCommand : public testing::TestWithParam<RaidCase> {};

TEST_P(RaidCommand, BuildsTheCreateCommand) {
    const RaidCase& c = GetParam();
    EXPECT_EQ(BuildRaidCreateCommand(c.level, c.release, c.argument), c.command)
        << "release " << c.release << ", level " << c.level << ", argument " << c.argument;
}

INSTANTIATE_TEST_SUITE_P(
    Releases, RaidCommand,
    testing::Values(
        // The documented commands of each release family.
        RaidCase{148, 0, "1,1,2,1", " -C -l 0 -E 0-1-0-0 -n VolumeWithData 0-2-0-0 "},
        RaidCase{152, 0, "1,2,2,3", " -C -l 0 -E 0-0-1-0 -n VolumeWithData 0-0-0-2 "},
        RaidCase{148, 1, "1,1,2", " -C -l 1 -E 0-1-0-0 -n VolumeWithData 0-2-0-0"},
        RaidCase{152, 1, "1,1,2", " -C -l 1 -E 0-1-0-0 -n VolumeWithData 0-0-2-0"},
        RaidCase{157, 0, "0-1-0-0_,0-2-0-0", " -C -l 0 -E 0-1-0-0 -n VolumeWithData 0-2-0-0"},
        RaidCase{155, 0, "0-1-0-0_,0-2-0-0", " -C -l 0 -E 0-1-0-0 -n VolumeWithData 0-2-0-0"},
        RaidCase{136, 0, "1,1,2,1", " -C -l 0 -E 0-1-0-0 -n VolumeWithData 0-2-0-0 "},
        RaidCase{136, 1, "1,1,2", " -C -l 1 -E 0-1-0-0 -n VolumeWithData 0-2-0-0"},
        RaidCase{0, 0, "1,1,2,1", " -C -l 0 -E 0-1-0-0 -n VolumeWithData 0-2-0-0 "},
        // Forms are ignored outside release 152, and may then be empty.
        RaidCase{148, 0, "3,2,4,3", " -C -l 0 -E 0-3-0-0 -n VolumeWithData 0-4-0-0 "},
        RaidCase{148, 0, "1,1,2,", " -C -l 0 -E 0-1-0-0 -n VolumeWithData 0-2-0-0 "},
        RaidCase{148, 0, "1,,2,", " -C -l 0 -E 0-1-0-0 -n VolumeWithData 0-2-0-0 "},
        // One disk only, and three disks.
        RaidCase{148, 0, "1,1", " -C -l 0 -E 0-1-0-0 -n VolumeWithData "},
        RaidCase{157, 0, "0-1-0-0_,", " -C -l 0 -E 0-1-0-0 -n VolumeWithData "},
        RaidCase{148, 0, "1,1,2,1,3,1", " -C -l 0 -E 0-1-0-0 -n VolumeWithData 0-2-0-0 0-3-0-0 "},
        // Release 152 places every port by its own form.
        RaidCase{152, 0, "1,3,2,1,3,2", " -C -l 0 -E 0-0-0-1 -n VolumeWithData 0-2-0-0 0-0-3-0 "},
        RaidCase{152, 1, "4,3,5", " -C -l 1 -E 0-0-0-4 -n VolumeWithData 0-0-5-0"},
        RaidCase{152, 0, "1,01,2,003", " -C -l 0 -E 0-1-0-0 -n VolumeWithData 0-0-0-2 "},
        // Any non-digit separates; numbers stay as written.
        RaidCase{148, 0, "1 1x2-1", " -C -l 0 -E 0-1-0-0 -n VolumeWithData 0-2-0-0 "},
        RaidCase{148, 0, "01,1,10,1", " -C -l 0 -E 0-01-0-0 -n VolumeWithData 0-10-0-0 "},
        // RAID 1 takes the second port up to the first ",".
        RaidCase{148, 1, "1,1,2,1", " -C -l 1 -E 0-1-0-0 -n VolumeWithData 0-2-0-0"},
        // RAID 1 on a full-id release names the second disk, the text after "_".
        RaidCase{157, 1, "0-1-0-0_0-2-0-0", " -C -l 1 -E 0-1-0-0 -n VolumeWithData 0-2-0-0"},
        RaidCase{155, 1, "0-1-0-0_0-3-0-0,x", " -C -l 1 -E 0-1-0-0 -n VolumeWithData 0-3-0-0"},
        // Written as the RAID 0 form, with its separator after "_".
        RaidCase{157, 1, "0-1-0-0_,0-2-0-0", " -C -l 1 -E 0-1-0-0 -n VolumeWithData 0-2-0-0"},
        // Full-id: the character after "_" is skipped, "," becomes a blank.
        RaidCase{157, 0, "0-1-0-0_x0-2-0-0", " -C -l 0 -E 0-1-0-0 -n VolumeWithData 0-2-0-0"},
        RaidCase{157, 0, "1-0-0-0_,2-0-0,3", " -C -l 0 -E 1-0-0-0 -n VolumeWithData 2-0-0 3"}));

struct RefusedCase {
    int release;
    int level;
    const char* argument;
};

TEST(RaidCommandRefusal, RefusesIncompleteOrUnsafeArguments) {
    const RefusedCase cases[] = {
        {157, 0, "0-1-0-0"},               // no "_"
        {157, 0, "0-1-0-0_"},              // ends at the "_"
        {157, 0, "_,0-2-0-0"},             // no first disk id
        {157, 0, "0 1_,0-2-0-0"},          // a first id of two words
        {157, 1, "0-1-0-0_,"},             // RAID 1: nothing after the separator
        {157, 1, "0-1-0-0_,,0-2-0-0"},     // RAID 1: an empty second id
        {157, 1, "0-1-0-0_"},              // RAID 1: no second disk
        {148, 0, ""},                      // nothing at all
        {148, 0, "1"},                     // no separator after the first port
        {148, 0, "1,1,"},                  // a further disk without a form
        {148, 0, "1,1,2"},                 // a further disk without the separator before its form
        {152, 0, "1,4,2,1"},               // first form not 1, 2 or 3
        {152, 0, "1,,2,1"},                // empty first form
        {152, 0, "1,1,2,"},                // empty further form
        {152, 0, "1,1,2,0"},               // further form 0
        {152, 0, "1,1,2,9999999999"},      // a form far too large
        {152, 1, "1,0,2"},                 // RAID 1 first form 0
        {148, 1, "1,1"},                   // RAID 1 without a second port
        {148, 1, "1,1,"},                  // RAID 1 with an empty second port
        {148, 1, "1,1,,2"},                // RAID 1 with an empty second port before a ","
        {148, 1, "1,1,2 3"},               // a second port of two words
        {148, 1, "1,1,\"2"},               // a double quote
        {148, 0, "1,1\t2,1"},              // a control character, even as a separator
        {148, 0, "1,1,2,1,3,1,4,1,5,10"},  // 20 characters
    };
    for (const RefusedCase& c : cases) {
        EXPECT_THROW(BuildRaidCreateCommand(c.level, c.release, c.argument), Refusal)
            << "release " << c.release << ", level " << c.level << ", argument " << c.argument;
    }
}

TEST(RaidCommandRefusal, RefusesLevelsOtherThanZeroAndOne) {
    EXPECT_THROW(BuildRaidCreateCommand(5, 148, "1,1,2,1"), Refusal);
}

}  // namespace
