#include "config/product_codes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Codes = std::vector<std::string>;

const std::string kA = "{11111111-AAAA-BBBB-CCCC-000000000001}";
const std::string kB = "{22222222-AAAA-BBBB-CCCC-000000000002}";
const std::string kC = "{33333333-AAAA-BBBB-CCCC-000000000003}";

struct Case {
    const char* name;
    std::string text;
    Codes list64;
    Codes list32;
    const char* fault;  // a piece of the reason, or nullptr for a usable file
};

const Case kCases[] = {
    {"typical layout",
     "[64]=2\r\n" + kA + "\r\n" + kB + "\r\n[32]=1\r\n" + kC + "\r\n",
     {kA, kB},
     {kC},
     nullptr},
    {"32-bit list first", "[32]=1\r\n" + kC + "\r\n[64]=1\r\n" + kA + "\r\n", {kA}, {kC}, nullptr},
    {"64-bit list missing", "[32]=1\r\n" + kC + "\r\n", {}, {kC}, nullptr},
    {"32-bit list missing", "[64]=1\n" + kA + "\n", {kA}, {}, nullptr},
    {"codes on one line, any separators",
     "[64]=3 " + kA + "," + kB + ";" + kC,
     {kA, kB, kC},
     {},
     nullptr},
    {"lower-case letters split a code", "[64]=2\r\n{ab12-CD}\r\n", {"{", "12-CD}"}, {}, nullptr},
    {"codes beyond the count are not taken",
     "[64]=1\r\n" + kA + "\r\n" + kB + "\r\n",
     {kA},
     {},
     nullptr},
    {"count of 0", "[64]=0\r\n" + kA + "\r\n[32]=1\r\n" + kC, {}, {kC}, nullptr},
    {"count that is not a number", "[64]=x\r\n" + kA + "\r\n[32]=1\r\n" + kC, {}, {kC}, nullptr},
    {"count not right after the marker", "[64]= 1\r\n" + kA, {}, {}, nullptr},
    {"code of exactly 49 characters",
     "[64]=1 " + std::string(49, 'A'),
     {std::string(49, 'A')},
     {},
     nullptr},
    {"text ends at its first NUL",
     std::string("[64]=1\r\n") + kA + std::string(1, '\0') + "[32]=1 " + kC,
     {kA},
     {},
     nullptr},
    {"first marker of each kind counts", "[64]=1 " + kA + " [64]=1 " + kB, {kA}, {}, nullptr},

    {"empty file", "", {}, {}, "empty"},
    {"no marker at all", "{11111111-AAAA}\r\n", {}, {}, "neither"},
    {"NUL before any marker", std::string(1, '\0') + "[64]=1 " + kA, {}, {}, "empty"},
    {"more codes announced than present",
     "[64]=3\r\n" + kA + "\r\n" + kB + "\r\n",
     {},
     {},
     "holds only 2"},
    {"a short list does not borrow the other marker's digits",
     "[64]=3\r\n" + kA + "\r\n" + kB + "\r\n[32]=1\r\n" + kC + "\r\n",
     {},
     {},
     "holds only 2"},
    {"short 32-bit list spoils the whole file",
     "[64]=1 " + kA + "\r\n[32]=2 " + kC,
     {},
     {},
     "holds only 1"},
    {"count beyond what a list can hold",
     "[64]=51 " + std::string(51 * 4, 'A'),
     {},
     {},
     "more than the 50"},
    {"count too long for any number",
     "[64]=" + std::string(40, '9') + " " + kA,
     {},
     {},
     "more than the 50"},
    {"code longer than 49 characters", "[64]=1 " + std::string(50, 'A'), {}, {}, "50 characters"},
    {"overlong code in the 32-bit list",
     "[64]=1 " + kA + " [32]=1 " + kA + "X" + kA,
     {},
     {},
     "more than 49"},
};

class ProductCodes : public ::testing::TestWithParam<Case> {};

TEST_P(ProductCodes, ParsesBothLists) {
    const Case& c = GetParam();
    const ProductCodeFile file = ParseProductCodes(c.text);
    EXPECT_EQ(file.list64.codes, c.list64);
    EXPECT_EQ(file.list32.codes, c.list32);
    if (c.fault == nullptr) {
        EXPECT_EQ(file.fault, "");
    } else {
        EXPECT_NE(file.fault.find(c.fault), std::string::npos) << file.fault;
    }
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
    std::string name;
    for (const char* p = info.param.name; *p != '\0'; ++p) {
        const char ch = *p;
        const bool keep =
            (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9');
        name += keep ? ch : '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(File, ProductCodes, ::testing::ValuesIn(kCases), CaseName);

}  // namespace
