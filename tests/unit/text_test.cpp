#include <gtest/gtest.h>

#include "common/text.h"

TEST(Text, CopyToFieldCutsToWidthAndStopsAtNul) {
    struct Case {
        std::string value;
        std::size_t width;
        std::string expected;
    };
    const Case cases[] = {
        {"ABCDEF", 4, "ABC"}, {"AB", 4, "AB"}, {std::string("A\0B", 3), 4, "A"}, {"X", 1, ""},
        {"", 10, ""},
    };
    for (const Case& c : cases) {
        std::string field = "old";
        text::CopyToField(field, c.value, c.width);
        EXPECT_EQ(field, c.expected) << c.value << " width " << c.width;
    }
}

TEST(Text, QuoteIfBlankQuotesOnlyPathsWithBlanks) {
    EXPECT_EQ(text::QuoteIfBlank("C:\\Tools\\a.exe"), "C:\\Tools\\a.exe");
    EXPECT_EQ(text::QuoteIfBlank("C:\\My Tools\\a.exe"), "\"C:\\My Tools\\a.exe\"");
}
