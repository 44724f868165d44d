// Mutated diskpart listings, IDENTIFY answers and storage descriptors fed to the parsers by the
// thousand (under AddressSanitizer in the Linux build): nothing may be read out of bounds, and
// what comes out must still have the shape of a field.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "disks/diskpart_listing.h"
#include "disks/identify.h"

namespace {

const std::string kListing =
    "\r\nMicrosoft DiskPart version 10.0.19041.964\r\n\r\n"
    "Copyright (C) Microsoft Corporation.\r\nOn computer: DESKTOP-4F2K9\r\n\r\n"
    "  Disk ###  Status         Size     Free     Dyn  Gpt\r\n"
    "  --------  -------------  -------  -------  ---  ---\r\n"
    "  Disk 0    Online          476 GB      0 B        *\r\n"
    "  Disk 1    Online         1863 GB  1863 GB\r\n"
    "  Disk 2    Online          931 GB  1024 KB   *    *\r\n"
    "  Disk 3    No Media           0 B      0 B\r\n"
    "  Disk 4    Online            3 TB      0 B        *\r\n";

std::string Mutate(const std::string& seed, std::mt19937& rng) {
    static const char kAlphabet[] = "0123456789 BKMGT*-\r\nDisk";
    std::string s = seed;
    const int edits = 1 + static_cast<int>(rng() % 8);
    for (int e = 0; e < edits && !s.empty(); ++e) {
        const std::size_t at = rng() % s.size();
        switch (rng() % 5) {
            case 0:
                s[at] = kAlphabet[rng() % (sizeof kAlphabet - 1)];
                break;
            case 1:
                s.insert(at, 1, kAlphabet[rng() % (sizeof kAlphabet - 1)]);
                break;
            case 2:
                s.erase(at, 1 + rng() % 6);
                break;
            case 3:
                s.insert(at, std::string(1 + rng() % 12, static_cast<char>('0' + rng() % 10)));
                break;
            default:
                s.resize(at);
                break;
        }
    }
    return s;
}

// The text in a heap block of exactly its size, so that a read one past the end is a fault that
// AddressSanitizer reports (a std::string keeps a NUL there).
struct ExactText {
    explicit ExactText(std::string_view text)
        : bytes(new char[text.size() + (text.empty() ? 1 : 0)]), size(text.size()) {
        std::copy(text.begin(), text.end(), bytes.get());
    }
    std::string_view View() const { return {bytes.get(), size}; }
    std::unique_ptr<char[]> bytes;
    std::size_t size;
};

bool OnlyOf(const std::string& value, const std::string& allowed) {
    return value.find_first_not_of(allowed) == std::string::npos;
}

void ExpectFieldShapes(const disks::PartitionStyleTableType& table, const std::string& input) {
    for (const disks::PartitionStyleRecord& r : table) {
        EXPECT_LE(r.style, 2) << input;
        EXPECT_LE(r.listSizeText.size(), 9u) << input;
        EXPECT_LE(r.listFreeText.size(), 9u) << input;
        EXPECT_LE(r.listSizeUnit.size(), 4u) << input;
        EXPECT_LE(r.listFreeUnit.size(), 4u) << input;
        EXPECT_TRUE(OnlyOf(r.listSizeText, "0123456789")) << input;
        EXPECT_TRUE(OnlyOf(r.listFreeText, "0123456789")) << input;
        EXPECT_TRUE(OnlyOf(r.listSizeUnit, "BKMG")) << input;
        EXPECT_TRUE(OnlyOf(r.listFreeUnit, "BKMG")) << input;
        EXPECT_EQ(r.style == 0, r.listSizeText.empty()) << input;
    }
}

TEST(DiskParsersFuzz, MutatedListingsParseWithinBounds) {
    std::mt19937 rng(20261211);
    for (int i = 0; i < 5000; ++i) {
        const std::string input = Mutate(kListing, rng);
        disks::PartitionStyleTableType table{};
        const disks::ListingParseResult result =
            disks::ParseDiskpartListing(ExactText(input).View(), table);
        EXPECT_LE(result.rowsStored, static_cast<int>(input.size())) << input;
        ExpectFieldShapes(table, input);
        if (HasFailure()) return;
    }
}

TEST(DiskParsersFuzz, EveryCutOfAListingKeepsOnlyCompleteRowsUnchanged) {
    disks::PartitionStyleTableType whole{};
    ASSERT_EQ(disks::ParseDiskpartListing(kListing, whole).rowsStored, 5);
    // Cuts inside the header are another matter: without the underline the text is read from
    // its start.
    for (std::size_t cut = kListing.find("---  ---") + 8; cut <= kListing.size(); ++cut) {
        disks::PartitionStyleTableType part{};
        disks::ParseDiskpartListing(ExactText(std::string_view(kListing).substr(0, cut)).View(),
                                    part);
        for (std::size_t i = 0; i < part.size(); ++i) {
            if (part[i].style == 0) continue;
            EXPECT_EQ(part[i].style, whole[i].style) << "cut at " << cut << ", disk " << i;
            EXPECT_EQ(part[i].listSizeText, whole[i].listSizeText) << "cut at " << cut;
            EXPECT_EQ(part[i].listSizeUnit, whole[i].listSizeUnit) << "cut at " << cut;
            EXPECT_EQ(part[i].listFreeText, whole[i].listFreeText) << "cut at " << cut;
            EXPECT_EQ(part[i].listFreeUnit, whole[i].listFreeUnit) << "cut at " << cut;
        }
    }
}

TEST(DiskParsersFuzz, RandomIdentifyAnswersGiveFieldShapedRecords) {
    std::mt19937 rng(545);
    for (int i = 0; i < 3000; ++i) {
        // Random lengths around the real answer size, random bytes, printable runs mixed in.
        std::vector<std::uint8_t> answer(rng() % 600);
        for (std::uint8_t& b : answer)
            b = static_cast<std::uint8_t>(rng() % 3 ? 0x20 + rng() % 95 : rng());
        const disks::DiskRecord r =
            disks::DiskRecordFromIdentify(disks::IdentifyWordsFromAnswer(answer), i);
        EXPECT_LE(r.serial.size(), 20u);
        EXPECT_LE(r.model.size(), 40u);
        for (const std::string* field : {&r.serial, &r.model}) {
            for (char c : *field) {
                EXPECT_GT(static_cast<unsigned char>(c), 0);
                EXPECT_LT(static_cast<unsigned char>(c), 128);
            }
        }
        EXPECT_TRUE(r.ssdText == "0" || r.ssdText == "1");
        EXPECT_FALSE(r.sizeBytesText.empty());
        if (HasFailure()) return;
    }
}

TEST(DiskParsersFuzz, RandomDescriptorsDecodeToPrintableTrimmedText) {
    std::mt19937 rng(10000);
    for (int i = 0; i < 3000; ++i) {
        std::string bytes(rng() % 120, '\0');
        for (char& b : bytes) {
            const unsigned pick = rng() % 4;
            b = static_cast<char>(pick == 0   ? rng() % 256
                                  : pick == 1 ? "0123456789abcdefABCDEF "[rng() % 23]
                                              : 0x20 + rng() % 95);
        }
        const std::int64_t offset = static_cast<std::int64_t>(rng() % 140) - 10;
        const std::string text = disks::DecodeDescriptorString(ExactText(bytes).View(), offset);
        for (char c : text) EXPECT_TRUE(c >= 0x20 && c <= 0x7E) << i;
        if (!text.empty()) {
            EXPECT_NE(text.front(), ' ');
            EXPECT_NE(text.back(), ' ');
        }
        EXPECT_LE(text.size(), bytes.size());
        if (HasFailure()) return;
    }
}

}  // namespace
