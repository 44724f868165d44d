#include "disks/identify.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using disks::IdentifyWords;

// Puts text into words first.. in ATA order (high byte first), padding with padByte.
void PutAtaText(IdentifyWords& words, int first, int last, const std::string& text,
                char padByte = ' ') {
    std::string padded = text;
    padded.resize(2 * static_cast<std::size_t>(last - first + 1), padByte);
    for (int w = first; w <= last; ++w) {
        const std::size_t i = 2 * static_cast<std::size_t>(w - first);
        words[static_cast<std::size_t>(w)] =
            static_cast<std::uint16_t>((static_cast<unsigned char>(padded[i]) << 8) |
                                       static_cast<unsigned char>(padded[i + 1]));
    }
}

TEST(ExtractAtaString, StripsTrailingWhitespaceKeepsLeadingBlanksAndEndsAtHighBytes) {
    struct Case {
        const char* name;
        std::string field;  // 20 bytes for words 10-19 (shorter fields are padded with pad)
        char pad;
        std::string expected;
    };
    const Case cases[] = {
        {"right-aligned serial keeps its leading blanks", "    WD-WCC4N12345678", ' ',
         "    WD-WCC4N12345678"},
        {"trailing blanks go", "S1ZZNEAD123456", ' ', "S1ZZNEAD123456"},
        {"blanks before NUL bytes stay", "ABC   ", '\0', "ABC   "},
        {"blank-only field leaves one blank", "", ' ', " "},
        {"trailing tab, CR and LF go as well", std::string("XY\t\r\n"), ' ', "XY"},
        {"byte of 128 or more ends the text", std::string("Sams\xC3ung 850"), ' ', "Sams"},
        {"high byte in the very first position gives empty text",
         std::string("\x80"
                     "ABC"),
         ' ', ""},
        {"all NUL bytes give empty text", "", '\0', ""},
    };
    for (const Case& c : cases) {
        IdentifyWords words{};
        PutAtaText(words, 10, 19, c.field, c.pad);
        EXPECT_EQ(disks::ExtractAtaString(words, 10, 19), c.expected) << c.name;
    }
}

TEST(ExtractAtaString, HighByteComesFirstWithinEachWord) {
    IdentifyWords words{};
    words[27] = 0x5354;  // "ST"
    words[28] = 0x3130;  // "10"
    EXPECT_EQ(disks::ExtractAtaString(words, 27, 28), "ST10");
}

TEST(ExtractAtaString, ModelOfFortyBlanksBecomesOneBlank) {
    IdentifyWords words{};
    PutAtaText(words, 27, 46, std::string(40, ' '));
    EXPECT_EQ(disks::ExtractAtaString(words, 27, 46), " ");
}

TEST(ExtractAtaString, WordRangeOutsideTheBlockReadsNothingBeyondIt) {
    IdentifyWords words{};
    words[255] = 0x4142;
    EXPECT_EQ(disks::ExtractAtaString(words, 255, 300), "AB");
    EXPECT_EQ(disks::ExtractAtaString(words, 20, 10), "");
}

// A descriptor buffer with text at offset 40.
std::string DescriptorWith(const std::string& text) {
    std::string bytes(40, '\0');
    bytes += text;
    bytes += '\0';
    return bytes;
}

TEST(DecodeDescriptorString, ReadsHexadecimalThenPlainText) {
    struct Case {
        std::string source;
        std::string expected;
    };
    const Case cases[] = {
        {"XYZ SSD 500", "XYZ SSD 500"},  // not hexadecimal: plain text
        {"4142", "AB"},
        {"41A", "A"},           // pending half byte dropped
        {"12", "12"},           // 0x12 is not printable: plain reading
        {"  ST500 ", "ST500"},  // blank pair is a 0 byte, then S abandons hex
        {"4a4B", "JK"},         // either letter case
        {"4100", "A"},          // a 0 byte ends the text
        {"0041", ""},
        {"20414220", "AB"},  // decoded blanks are stripped
        {"", ""},
        {std::string("AB\x01"
                     "C"),
         ""},                          // not printable: empty
        {std::string("Caf\xE9"), ""},  // byte of 128 or more is not printable
        {"4142 SSD", "4142 SSD"},      // S abandons hex after the bytes were decoded
    };
    for (const Case& c : cases) {
        EXPECT_EQ(disks::DecodeDescriptorString(DescriptorWith(c.source), 40), c.expected)
            << "source \"" << c.source << "\"";
    }
}

TEST(DecodeDescriptorString, OffsetsOutsideTheReturnedBytesGiveEmptyText) {
    const std::string bytes = DescriptorWith("4142");
    EXPECT_EQ(disks::DecodeDescriptorString(bytes, 0), "");
    EXPECT_EQ(disks::DecodeDescriptorString(bytes, -4), "");
    EXPECT_EQ(disks::DecodeDescriptorString(bytes, static_cast<std::int64_t>(bytes.size())), "");
    EXPECT_EQ(disks::DecodeDescriptorString(bytes, 1 << 30), "");
    // Text running to the end of the returned bytes without a NUL ends there.
    const std::string cut = std::string(40, '\0') + "WDC WD10";
    EXPECT_EQ(disks::DecodeDescriptorString(cut, 40), "WDC WD10");
}

TEST(CapacityNumber, WholeMebibytesUpTo1024ThenWholeGibibytes) {
    struct Case {
        std::int64_t bytes;
        std::string expected;  // CapacityText
    };
    const Case cases[] = {
        {976773168LL * 512, "465"},
        {1073741824LL, "1024"},  // exactly 1 GiB is 1024 MiB
        {1074790400LL, "1"},     // 1025 MiB becomes 1 GiB
        {2000398934016LL, "1863"},
        {1049600LL, "1"},  // the smallest size that has a number
        {1049599LL, ""},
        {1024LL * 1024, ""},
        {0, ""},
        {-512, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(disks::CapacityText(c.bytes), c.expected) << c.bytes;
    }
    EXPECT_FALSE(disks::CapacityNumber(1049599).has_value());
    EXPECT_EQ(disks::CapacityNumber(1073741824LL), 1024);
}

IdentifyWords DriveWords(std::uint16_t word83, std::uint32_t sectors28, std::uint64_t sectors48,
                         std::uint16_t word217) {
    IdentifyWords words{};
    PutAtaText(words, 10, 19, "      Z1D2ABCD");
    PutAtaText(words, 27, 46, "ST1000DM003-1CH162");
    words[60] = static_cast<std::uint16_t>(sectors28 & 0xFFFF);
    words[61] = static_cast<std::uint16_t>(sectors28 >> 16);
    words[83] = word83;
    for (int i = 0; i < 4; ++i) words[100 + i] = static_cast<std::uint16_t>(sectors48 >> (16 * i));
    words[217] = word217;
    return words;
}

TEST(DiskRecordFromIdentify, SectorCountAndRotationRate) {
    struct Case {
        const char* name;
        std::uint16_t word83;
        std::uint32_t sectors28;
        std::uint64_t sectors48;
        std::uint16_t word217;
        std::string sizeBytes, capacity, ssd;
    };
    const Case cases[] = {
        {"48-bit count when word 83 bit 10 is set", 0x7400, 0x0FFFFFFF, 976773168, 0x1C20,
         "500107862016", "465", "0"},
        {"28-bit count when bit 10 is clear, whatever words 100-103 hold", 0x7000, 976773168,
         3907029168ULL, 0x0001, "500107862016", "465", "1"},
        {"48-bit count above 32 bits", 0x0400, 0, 7814037168ULL, 0x0000, "4000787030016", "3726",
         "0"},
        {"rotation rate 0x1501: low byte 1 counts as non-rotating", 0x0400, 0, 250069680, 0x1501,
         "128035676160", "119", "1"},
        {"no sectors: zero bytes, no capacity number", 0x0000, 0, 0, 0x0001, "0", "", "1"},
    };
    for (const Case& c : cases) {
        const disks::DiskRecord r = disks::DiskRecordFromIdentify(
            DriveWords(c.word83, c.sectors28, c.sectors48, c.word217), 3);
        EXPECT_EQ(r.driveNumber, 3) << c.name;
        EXPECT_EQ(r.sizeBytesText, c.sizeBytes) << c.name;
        EXPECT_EQ(r.capacityText, c.capacity) << c.name;
        EXPECT_EQ(r.ssdText, c.ssd) << c.name;
        EXPECT_EQ(r.serial, "      Z1D2ABCD") << c.name;
        EXPECT_EQ(r.model, "ST1000DM003-1CH162") << c.name;
        EXPECT_EQ(r.freeText, "") << c.name;
    }
}

TEST(IdentifyBytes, RequestBlockAndAnswerLayout) {
    const std::vector<std::uint8_t> request = disks::BuildIdentifyRequest(1);
    ASSERT_EQ(request.size(), 33u);
    EXPECT_EQ(request[10], 0xEC);  // command register
    EXPECT_EQ(request[12], 1);     // drive number

    std::vector<std::uint8_t> answer(545, 0);
    answer[16 + 2 * 217] = 0x01;
    answer[16 + 2 * 217 + 1] = 0x15;
    answer[16 + 2 * 255 + 1] = 0xA5;
    answer[15] = 0xFF;  // driver status: not IDENTIFY data
    const IdentifyWords words = disks::IdentifyWordsFromAnswer(answer);
    EXPECT_EQ(words[217], 0x1501);
    EXPECT_EQ(words[255], 0xA500);
    EXPECT_EQ(words[0], 0);
    // A short answer reads as zeros where it holds nothing.
    const IdentifyWords shortWords = disks::IdentifyWordsFromAnswer({0, 0, 0});
    EXPECT_EQ(shortWords[0], 0);
}

TEST(KeepDescriptor, ByProcessorVendor) {
    struct Case {
        int vendor;
        bool lacksSerial;
        bool kept;
    };
    const Case cases[] = {
        {1, false, true},  {1, true, false},  // Intel: only drives with a serial number
        {2, false, true},  {2, true, true},   // AMD: every drive
        {0, false, false}, {0, true, false},  // other: none
    };
    for (const Case& c : cases) {
        EXPECT_EQ(disks::KeepDescriptor(c.vendor, c.lacksSerial), c.kept)
            << "vendor " << c.vendor << " lacks serial " << c.lacksSerial;
    }
}

}  // namespace
