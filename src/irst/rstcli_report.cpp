#include "irst/rstcli_report.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "app/run_context.h"
#include "common/text.h"

namespace irst {
namespace {

constexpr std::size_t kNone = std::string_view::npos;

// Keys as rstcli prints them: padded with blanks to the value's column.
constexpr std::string_view kVolumeWithDataKey = "Name:              VolumeWithData";
constexpr std::string_view kVolumeMarker = "--VOLUME INFORMATION--";
constexpr std::string_view kNameKey = "Name:              ";
constexpr std::string_view kEndDeviceMarker = "--END DEVICE INFORMATION--";
constexpr std::string_view kVolumeSizeKey = "Size:             ";
constexpr std::string_view kIdKey = "ID:";
constexpr std::string_view kTypeKey = "Type:              ";
constexpr std::string_view kDiskTypeKey = "Disk Type:         ";
constexpr std::string_view kBusSpeedKey = "Bus Speed:         ";
constexpr std::string_view kSizeKey = "Size:              ";
constexpr std::string_view kFreeSizeKey = "Free Size:         ";
constexpr std::string_view kSystemDiskKey = "System Disk:       ";
constexpr std::string_view kUsageKey = "Usage:             ";
constexpr std::string_view kSerialKey = "Serial Number:     ";
constexpr std::string_view kModelKey = "Model:             ";
constexpr std::string_view kCacheVolumeKey = "Usage:             Cache volume";
constexpr std::string_view kAcceleratedDiskKey = "Usage:             Accelerated disk";
constexpr std::string_view kCacheVolumeNameKey = "Name:              Cache_Volume";
constexpr std::string_view kMigrationKey = "State:             Migration";
constexpr std::string_view kArrayKey = "Name:        SATA_Array_0000";

// Every key above the volume size key is padded to this width; values start right behind it.
constexpr std::size_t kKeyWidth = 19;
// The volume size value is looked for from this offset into its key, past any blanks.
constexpr std::size_t kVolumeValueOffset = 13;

// A number as rstcli prints a size: digits, a blank, a unit letter.
struct NumberValue {
    std::string text;     // bytes for G, M and T; otherwise as printed
    std::size_t unitPos;  // the unit letter's position (may be the end of the text)
};

class Report {
  public:
    explicit Report(std::string_view text) : text_(text.substr(0, text.find('\0'))) {}

    std::size_t Size() const { return text_.size(); }
    bool Has(std::string_view key) const { return text_.find(key) != kNone; }

    // The first occurrence of key that starts at or after from and ends at or before limit.
    std::size_t Find(std::string_view key, std::size_t from, std::size_t limit = kNone) const {
        const std::size_t end = std::min(limit, text_.size());
        if (from >= end) return kNone;
        const std::size_t hit = text_.substr(from, end - from).find(key);
        return hit == kNone ? kNone : from + hit;
    }

    // Where the line holding from ends (its CR or LF); kNone when the text ends first. With a
    // limit, a line that runs on to it ends there.
    std::size_t LineEnd(std::size_t from, std::size_t limit = kNone) const {
        if (from > text_.size()) return kNone;
        const std::size_t end = std::min(limit, text_.size());
        if (from >= end) return limit == kNone ? kNone : end;
        const std::size_t hit = text_.substr(from, end - from).find_first_of("\r\n");
        if (hit != kNone) return from + hit;
        return limit == kNone ? kNone : end;
    }

    std::string_view Slice(std::size_t from, std::size_t to) const {
        return text_.substr(from, to - from);
    }

    // True when the two characters at pos begin with prefix (the end of the text compares as a
    // terminating NUL, which begins nothing).
    bool BeginsWith(std::size_t pos, std::string_view prefix) const {
        return pos <= text_.size() && text::StartsWith(text_.substr(pos, prefix.size()), prefix);
    }

    char At(std::size_t pos) const { return text_[pos]; }

    // A size value at start: the number runs to the next blank (or line end), the unit letter
    // follows that blank. digitsOnly keeps only the number's leading digits when it is not
    // converted to bytes.
    std::optional<NumberValue> ReadNumber(std::size_t start, bool digitsOnly) const {
        if (start > text_.size()) return std::nullopt;
        const std::size_t stop = text_.find_first_of(" \r\n", start);
        if (stop == kNone) return std::nullopt;
        const std::string_view number = text_.substr(start, stop - start);
        const std::size_t unitPos = stop + 1;
        const char unit = unitPos < text_.size() ? text_[unitPos] : '\0';

        std::size_t digits = 0;
        while (digits < number.size() && text::IsDigit(static_cast<unsigned char>(number[digits])))
            ++digits;
        NumberValue out{std::string(digitsOnly ? number.substr(0, digits) : number), unitPos};

        int shift = 0;
        if (unit == 'G') shift = 30;
        if (unit == 'M') shift = 20;
        if (unit == 'T') shift = 40;
        if (shift == 0) return out;

        // Converted to bytes when it fits a signed 64-bit number; a value too large to convert
        // keeps its printed text instead of wrapping round to a wrong size.
        constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
        std::int64_t value = 0;
        for (std::size_t i = 0; i < digits; ++i) {
            const int digit = number[i] - '0';
            if (value > (kMax - digit) / 10) return out;
            value = value * 10 + digit;
        }
        if (value > (kMax >> shift)) return out;
        out.text = text::Decimal(value << shift);
        return out;
    }

  private:
    std::string_view text_;
};

enum class BlockKind { kDisk, kPartialDisk, kNotDisk, kCutShort };

struct BlockResult {
    BlockKind kind;
    std::size_t resumeAt;  // where the next "ID:" is looked for
};

// Reads one device block that begins with the "ID:" key at id into r.
BlockResult ReadDiskBlock(const Report& report, std::size_t id, bool fullId, RstDiskRecord& r) {
    // The block's keys lie before the next "ID:"; a value that runs past it moves that limit on.
    std::size_t limit = report.Find(kIdKey, id + kIdKey.size());
    auto moveTo = [&](std::size_t pos) {
        if (limit != kNone && pos > limit) limit = report.Find(kIdKey, pos);
        return pos;
    };
    // A key the block lacks: the last block of the text is taken as cut short; any other keeps
    // what was read so far and leaves the rest of the record empty.
    auto lacking = [&]() {
        return limit == kNone ? BlockResult{BlockKind::kCutShort, kNone}
                              : BlockResult{BlockKind::kPartialDisk, limit};
    };
    const BlockResult cutShort{BlockKind::kCutShort, kNone};

    std::size_t pos = id + kIdKey.size();
    // The ID's value runs to the end of its line, and never into the next block.
    const std::size_t idLineEnd = report.LineEnd(pos, limit);
    if (idLineEnd == kNone) return cutShort;

    if (fullId) {
        std::size_t start = pos;
        while (start < idLineEnd && static_cast<unsigned char>(report.At(start)) < '0') ++start;
        text::CopyToField(r.idText, report.Slice(start, idLineEnd), kIdWidth);
        pos = idLineEnd;
    } else {
        // The port is the first place of 0-a-b-c that does not begin with "0"; c is taken as it
        // is. Only the ID's own line is looked at.
        char port = 0;
        int form = 0;
        const std::size_t one = report.Find("0-", id, idLineEnd);
        if (one != kNone && report.At(one + 2) != '0') {
            port = report.At(one + 2);
            form = 1;
            pos = one + 2;
        } else if (one != kNone) {
            const std::size_t two = report.Find("0-0-", id, idLineEnd);
            const std::size_t three = report.Find("0-0-0-", id, idLineEnd);
            if (two != kNone && report.At(two + 4) != '0') {
                port = report.At(two + 4);
                form = 2;
                pos = two + 4;
            } else if (three != kNone) {
                port = report.At(three + 6);
                form = 3;
                pos = three + 6;
            }
        }
        if (form != 0) {
            text::CopyToField(r.portText, std::string_view(&port, 1), kPortWidth);
            r.portForm = form;
        }
    }

    const std::size_t type = report.Find(kTypeKey, pos, limit);
    if (type == kNone) {
        return limit == kNone ? cutShort : BlockResult{BlockKind::kNotDisk, limit};
    }
    if (!report.BeginsWith(type + kKeyWidth, "Di")) return {BlockKind::kNotDisk, limit};

    const std::size_t diskType = report.Find(kDiskTypeKey, type + kKeyWidth, limit);
    if (diskType == kNone) return lacking();
    std::size_t lineEnd = report.LineEnd(diskType + kKeyWidth);
    if (lineEnd == kNone) return cutShort;
    text::CopyToField(r.diskType, report.Slice(diskType + kKeyWidth, lineEnd), kDiskTypeWidth);
    pos = moveTo(lineEnd + 1);

    if (text::StartsWith(r.diskType, "PC")) {
        const std::size_t bus = report.Find(kBusSpeedKey, pos, limit);
        if (bus == kNone) return lacking();
        lineEnd = report.LineEnd(bus + kKeyWidth);
        if (lineEnd == kNone) return cutShort;
        text::CopyToField(r.busSpeed, report.Slice(bus + kKeyWidth, lineEnd), kBusSpeedWidth);
        pos = moveTo(lineEnd + 1);
    }

    const std::size_t size = report.Find(kSizeKey, pos, limit);
    if (size == kNone) return lacking();
    const std::optional<NumberValue> sizeValue = report.ReadNumber(size + kKeyWidth, false);
    if (!sizeValue) return cutShort;
    text::CopyToField(r.sizeText, sizeValue->text, kRstSizeWidth);
    pos = moveTo(sizeValue->unitPos);

    const std::size_t freeSize = report.Find(kFreeSizeKey, pos, limit);
    if (freeSize == kNone) return lacking();
    const std::optional<NumberValue> freeValue = report.ReadNumber(freeSize + kKeyWidth, false);
    if (!freeValue) return cutShort;
    text::CopyToField(r.freeSizeText, freeValue->text, kRstSizeWidth);
    pos = moveTo(freeValue->unitPos);
    r.wholeDiskFree = text::EqualsNoCase(r.freeSizeText, r.sizeText) ? 1 : 0;

    const std::size_t systemDisk = report.Find(kSystemDiskKey, pos, limit);
    if (systemDisk == kNone) return lacking();
    r.systemDiskText = report.BeginsWith(systemDisk + kKeyWidth, "Tr") ? "yes" : "no";
    pos = systemDisk + kKeyWidth;

    const std::size_t usage = report.Find(kUsageKey, pos, limit);
    if (usage == kNone) return lacking();
    r.arrayMemberText = report.BeginsWith(usage + kKeyWidth, "Ar") ? "yes" : "no";
    pos = usage + kKeyWidth;

    const std::size_t serial = report.Find(kSerialKey, pos, limit);
    if (serial == kNone) return lacking();
    lineEnd = report.LineEnd(serial + kKeyWidth);
    if (lineEnd == kNone) return cutShort;
    text::CopyToField(r.serial, report.Slice(serial + kKeyWidth, lineEnd), kRstSerialWidth);
    r.serial = text::Upper(text::TrimTrailingBlanks(r.serial));
    pos = moveTo(lineEnd);

    const std::size_t model = report.Find(kModelKey, pos, limit);
    if (model == kNone) return lacking();
    lineEnd = report.LineEnd(model + kKeyWidth);
    if (lineEnd == kNone) return cutShort;
    std::string printable;
    for (char c : report.Slice(model + kKeyWidth, lineEnd)) {
        if (text::IsPrintable(static_cast<unsigned char>(c))) printable += c;
    }
    text::CopyToField(r.model, printable, kRstModelWidth);
    r.model = text::Upper(text::TrimTrailingBlanks(r.model));
    return {BlockKind::kDisk, lineEnd};
}

// The volume size: from a fixed offset into its key, past blanks, the number's leading digits
// (converted to bytes for G, M and T). Empty when the text ends first.
std::string ReadVolumeSize(const Report& report, std::size_t key) {
    std::size_t pos = key + kVolumeValueOffset;
    while (pos < report.Size() && report.At(pos) == ' ') ++pos;
    const std::optional<NumberValue> value = report.ReadNumber(pos, true);
    return value ? value->text : std::string();
}

}  // namespace

ReportParseResult ParseReportText(std::string_view text, int release, RstState& rst,
                                  disks::DiskState& disks) {
    const Report report(text);
    ReportParseResult result;

    for (RstVolumeRecord& volume : rst.RstVolumeTable) volume = RstVolumeRecord{};
    for (RstDiskRecord& disk : rst.RstDiskTable) disk = RstDiskRecord{};
    rst.RstDiskCount = 0;
    rst.RstVolumeCount = 0;
    RstVolumeRecord& volume = rst.RstVolumeTable[0];

    // The volume this program creates is always reported; another volume's name is kept for
    // the array fallback below.
    const std::size_t withData = report.Find(kVolumeWithDataKey, 0);
    if (withData != kNone) {
        volume.name = "VolumeWithData";
        const std::size_t size = report.Find(kVolumeSizeKey, withData);
        if (size != kNone) {
            text::CopyToField(volume.sizeText, ReadVolumeSize(report, size), kVolumeSizeWidth);
        }
        rst.RstVolumeCount = 1;
    } else if (const std::size_t marker = report.Find(kVolumeMarker, 0); marker != kNone) {
        const std::size_t name = report.Find(kNameKey, marker);
        const std::size_t end = report.Find(kEndDeviceMarker, marker);
        if (name != kNone && (end == kNone || name < end)) {
            const std::size_t lineEnd = report.LineEnd(name + kKeyWidth);
            if (lineEnd != kNone) {
                text::CopyToField(volume.name, report.Slice(name + kKeyWidth, lineEnd),
                                  kVolumeNameWidth);
            }
        }
    }

    const bool fullId = IsFullIdRelease(release);
    const std::size_t devicesEnd = report.Find(kEndDeviceMarker, 0);
    std::size_t id = devicesEnd == kNone ? kNone : report.Find(kIdKey, devicesEnd);
    while (id != kNone && rst.RstDiskCount < kMaxRstDisks) {
        RstDiskRecord& r = rst.RstDiskTable[rst.RstDiskCount];
        const BlockResult block = ReadDiskBlock(report, id, fullId, r);
        if (block.kind == BlockKind::kCutShort) {
            r = RstDiskRecord{};
            result.cutShort = true;
            break;
        }
        if (block.kind == BlockKind::kNotDisk) {
            // Not a disk (an optical drive, say): the next block reuses the record.
            r = RstDiskRecord{};
        } else {
            if (block.kind == BlockKind::kPartialDisk) ++result.incompleteBlocks;
            r.index = rst.RstDiskCount;
            ++rst.RstDiskCount;
        }
        id = report.Find(kIdKey, block.resumeAt);
    }

    rst.AccelerationPresent = report.Has(kCacheVolumeKey) || report.Has(kAcceleratedDiskKey) ||
                                      report.Has(kCacheVolumeNameKey)
                                  ? 1
                                  : 0;
    rst.MigrationText = report.Has(kMigrationKey) ? "yes" : "no";

    // The physical disk that holds an IRST system disk gets its serial upper-cased, as the
    // report prints it.
    bool systemDiskSeen = false;
    const int diskCount = std::clamp(disks.DiskCount, 0, disks::kMaxDisks);
    for (int i = 0; i < rst.RstDiskCount; ++i) {
        const RstDiskRecord& r = rst.RstDiskTable[i];
        if (!text::EqualsNoCase(r.systemDiskText, "yes")) continue;
        systemDiskSeen = true;
        for (int j = 0; j < diskCount; ++j) {
            disks::DiskRecord& d = disks.DiskTable[j];
            d.serial = text::Upper(d.serial);
            if (text::Contains(d.serial, r.serial)) break;
        }
    }

    // An existing array is reported only when no IRST disk holds the running system.
    if (rst.RstVolumeCount == 0 && !systemDiskSeen) {
        const std::size_t array = report.Find(kArrayKey, 0);
        if (array != kNone) {
            const std::size_t size = report.Find(kVolumeSizeKey, array);
            if (size != kNone) {
                text::CopyToField(volume.sizeText, ReadVolumeSize(report, size), kVolumeSizeWidth);
            }
            rst.RstVolumeCount = 1;
        }
    }
    return result;
}

}  // namespace irst

void ParseRstcliReport(RunContext& ctx) {
    const irst::ReportParseResult result =
        irst::ParseReportText(ctx.RstcliReportText, ctx.IrstRelease, ctx.rst, ctx.disks);
    std::string line = "rstcli report parsed: " + text::Decimal(ctx.rst.RstDiskCount) +
                       " disk(s), " + text::Decimal(ctx.rst.RstVolumeCount) + " volume(s)";
    if (result.incompleteBlocks > 0) {
        line += ", " + text::Decimal(result.incompleteBlocks) + " disk block(s) lacking a key";
    }
    if (result.cutShort) line += ", report cut short inside a disk block";
    ctx.log.Write(line);
}
