#include "app/command_line.h"

#include <gtest/gtest.h>

#include "common/refusal.h"

namespace {

struct Decoded {
    const char* line;
    int operation;
    int p1, p2, p3;
    const char* text;
    int p4, p5;
    bool param5Given;
};

void PrintTo(const Decoded& c, std::ostream* out) {
    *out << '"' << c.line << '"';
}

class DecodesCommandLine : public testing::TestWithParam<Decoded> {};

TEST_P(DecodesCommandLine, GivesOperationAndFields) {
    const Decoded& c = GetParam();
    const auto request = ParseCommandLine(c.line);
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(request->operation, c.operation);
    EXPECT_EQ(request->nParam1, c.p1);
    EXPECT_EQ(request->nParam2, c.p2);
    EXPECT_EQ(request->nParam3, c.p3);
    EXPECT_EQ(request->pszText, c.text);
    EXPECT_EQ(request->nParam4, c.p4);
    EXPECT_EQ(request->nParam5, c.p5);
    EXPECT_EQ(request->param5Given, c.param5Given);
}

INSTANTIATE_TEST_SUITE_P(
    Switches, DecodesCommandLine,
    testing::Values(
        // Switches without fields; extra text after them is ignored.
        Decoded{"-func0", 0, 0, 0, 0, "0", 0, 0, false},
        Decoded{"-func7 extra", 7, 0, 0, 0, "0", 0, 0, false},
        Decoded{"-func8", 8, 0, 0, 0, "0", 0, 0, false},
        // Test order, not position, decides between two switches.
        Decoded{"-func8 -func2", 2, 0, 0, 0, "0", 0, 0, false},
        // Without its trailing blank a two-digit switch is only "-func1".
        Decoded{"-func11", 1, 0, 0, 0, "0", 0, 0, false},
        Decoded{"-func15", 1, 0, 0, 0, "0", 0, 0, false},
        Decoded{"-func16", 1, 0, 0, 0, "0", 0, 0, false},
        Decoded{"-func19 3", 1, 0, 0, 0, "0", 0, 0, false},
        // "-func9 ": two numbers; any non-digit separates; two blanks make an empty second one.
        Decoded{"-func9 1 2", 9, 1, 2, 0, "0", 0, 0, false},
        Decoded{"-func9 12x34", 9, 12, 34, 0, "0", 0, 0, false},
        Decoded{"-func9 12  34", 9, 12, 0, 0, "0", 0, 0, false},
        Decoded{"-func9 5 ", 9, 5, 0, 0, "0", 0, 0, false},
        Decoded{"-func9 007 2147483647", 9, 7, 2147483647, 0, "0", 0, 0, false},
        // Fields sit at fixed positions from the start of the line, not of the switch.
        Decoded{"x-func9 5 6", 9, 0, 5, 0, "0", 0, 0, false},
        // "-func10 ": F1..F5 go to nParam1, nParam4, nParam2, nParam5, nParam3.
        Decoded{"-func10 1 2 3 4 5", 10, 1, 3, 5, "0", 2, 4, true},
        Decoded{"-func10 2 1 1 1 3", 10, 2, 1, 3, "0", 1, 1, true},
        Decoded{"-func10 2 1 1 1", 10, 2, 1, 0, "0", 1, 1, false},
        Decoded{"-func10 2 1 1 1 ", 10, 2, 1, 0, "0", 1, 1, false},
        Decoded{"-func10 2 1 1 ", 10, 2, 1, 0, "0", 1, 0, false},
        Decoded{"-func10 2 1 1  0", 10, 2, 1, 0, "0", 1, 0, true},
        // Text switches take everything from position 8.
        Decoded{"-func11 1,1,2,1", 11, 0, 0, 0, "1,1,2,1", 0, 0, false},
        Decoded{"-func11 ", 11, 0, 0, 0, "", 0, 0, false},
        Decoded{"-func12 1,1,2", 12, 0, 0, 0, "1,1,2", 0, 0, false},
        Decoded{"-func14 Volume_0000", 14, 0, 0, 0, "Volume_0000", 0, 0, false},
        Decoded{"-func15 1,1,2,1", 15, 0, 0, 0, "1,1,2,1", 0, 0, false},
        Decoded{"-func11 1234567890123456789", 11, 0, 0, 0, "1234567890123456789", 0, 0, false},
        // "-func13": the number at position 8 and the word after the last blank.
        Decoded{"-func13 7 5", 13, 7, 0, 0, "5", 0, 0, false},
        Decoded{"-func13 7", 13, 7, 0, 0, "7", 0, 0, false},
        Decoded{"-func13 2 Volume_0000", 13, 2, 0, 0, "Volume_0000", 0, 0, false},
        Decoded{"-func13 2 Volume_0000 ", 13, 2, 0, 0, "", 0, 0, false},
        Decoded{"-func13x4", 13, 4, 0, 0, "", 0, 0, false}));

TEST(CommandLine, NoSwitchRunsNothing) {
    for (const char* line : {"", "-func4", "-func9", "func7", "-FUNC7", "- func0", "-func"}) {
        EXPECT_FALSE(ParseCommandLine(line).has_value()) << '"' << line << '"';
    }
}

TEST(CommandLine, MalformedLinesAreRefused) {
    const char* const lines[] = {
        // Too short for the switch's fields.
        "-func9 ",
        "-func9 12",
        "-func10 1",
        "-func10 1 2",
        "-func10 1 2 3",
        "-func13",
        // A field of 20 or more characters.
        "-func9 12345678901234567890 1",
        "-func10 1 2 3 4 12345678901234567890",
        "-func11 12345678901234567890",
        "-func14 a_volume_name_too_long",
        "-func13 1 a_volume_name_too_long",
        // A number that does not fit the program's integers.
        "-func9 2147483648 1",
        "-func10 1 2 3 4 9999999999999999999",
    };
    for (const char* line : lines) {
        EXPECT_THROW(ParseCommandLine(line), Refusal) << '"' << line << '"';
    }
}

TEST(CommandLine, RefusalSaysWhichLineAndWhy) {
    try {
        ParseCommandLine("-func9 12");
        FAIL() << "no refusal";
    } catch (const Refusal& refusal) {
        const std::string why = refusal.what();
        EXPECT_NE(why.find("-func9 12"), std::string::npos) << why;
        EXPECT_NE(why.find("separator"), std::string::npos) << why;
    }
}

}  // namespace
