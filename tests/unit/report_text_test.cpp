#include "report/report_text.h"

#include <gtest/gtest.h>

using report::GroupThousands;
using report::SplitCapacity;
using report::XmlValue;

TEST(ReportText, SplitCapacityByDigitCount) {
    struct Case {
        const char* text;
        const char* number;
        const char* unit;
    };
    const Case cases[] = {
        {"", ".0", "B"},
        {"5", "5.0", "B"},
        {"999", "999", "B"},
        {"1000", "1.0", "KB"},
        {"465760", "465", "KB"},
        {"1048576", "1.0", "MB"},
        {"500107862016", "500", "GB"},
        {"256060514304", "256", "GB"},
        {"1000204886016", "1.0", "TB"},
        {"999999999999999", "999", "TB"},
    };
    for (const Case& c : cases) {
        std::string unit = "unset";
        EXPECT_EQ(SplitCapacity(c.text, unit), c.number) << c.text;
        EXPECT_EQ(unit, c.unit) << c.text;
    }
}

TEST(ReportText, SplitCapacityKeepsLongNumbersWholeAndTheUnitAsItWas) {
    std::string unit = "GB";
    EXPECT_EQ(SplitCapacity("1234567890123456", unit), "1234567890123456");
    EXPECT_EQ(unit, "GB");
}

TEST(ReportText, GroupThousandsFromTheRight) {
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},
        {"7", "7"},
        {"999", "999"},
        {"1000", "1,000"},
        {"465760", "465,760"},
        {"500107862016", "500,107,862,016"},
        {"1000204886016", "1,000,204,886,016"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(GroupThousands(in), out) << in;
}

TEST(ReportText, XmlValueEscapesAndDropsWhatWouldBreakTheDocument) {
    const std::pair<std::string, std::string> cases[] = {
        {"WDC WD5000AAKX-00ERMA0", "WDC WD5000AAKX-00ERMA0"},
        {"A&B <SSD>", "A&amp;B &lt;SSD&gt;"},
        {"    WD-WCC4N12345678", "    WD-WCC4N12345678"},
        {std::string("A\x01\tB\r\n\x7F"
                     "C",
                     9),
         "ABC"},
        // Well-formed UTF-8 stays byte for byte; stray and overlong bytes are left out.
        {"\xE6\x96\xB0", "\xE6\x96\xB0"},
        {"X\xC3", "X"},
        {"\xC0\xAF"
         "Y",
         "Y"},
        {"\xED\xA0\x80Z", "Z"},
        {"\xEF\xBF\xBE!", "!"},
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(XmlValue(in), out);
}
