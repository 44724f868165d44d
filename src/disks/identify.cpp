#include "disks/identify.h"

#include <algorithm>

#include "app/run_context.h"
#include "common/text.h"
#include "platform/windows_release.h"

namespace disks {

namespace {

constexpr int kPassDrives = 50;  // physical drives 0 to 49

std::string DrivePath(int number) {
    return "\\\\.\\PhysicalDrive" + std::to_string(number);
}

// IDENTIFY words used for the record.
constexpr int kSerialFirst = 10, kSerialLast = 19;
constexpr int kModelFirst = 27, kModelLast = 46;
constexpr int kSectors28 = 60;
constexpr int kCommandSets = 83;
constexpr std::uint16_t kLba48Supported = 0x0400;
constexpr int kSectors48 = 100;
constexpr int kRotationRate = 217;

// Appends the hexadecimal reading of source; false when a character is not a hexadecimal digit
// (blanks count as 0) or a finished byte is neither 0 nor printable.
bool ReadHexText(std::string_view source, std::string* out) {
    std::string bytes;
    unsigned current = 0;
    bool high = true;
    for (char raw : source) {
        unsigned char c = static_cast<unsigned char>(raw);
        if (text::IsSpace(c)) c = '0';
        if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
        unsigned nibble;
        if (text::IsDigit(c)) {
            nibble = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            nibble = c - 'a' + 10;
        } else {
            return false;
        }
        if (high) {
            current = nibble << 4;
            high = false;
            continue;
        }
        current |= nibble;
        high = true;
        if (current != 0 && !text::IsPrintable(static_cast<unsigned char>(current))) return false;
        bytes += static_cast<char>(current);
    }
    // A 0 byte ends the text; a pending half byte is dropped.
    *out = bytes.substr(0, bytes.find('\0'));
    return true;
}

std::string StripBlanks(std::string_view value) {
    std::size_t begin = 0, end = value.size();
    while (begin < end && text::IsSpace(static_cast<unsigned char>(value[begin]))) ++begin;
    while (end > begin && text::IsSpace(static_cast<unsigned char>(value[end - 1]))) --end;
    return std::string(value.substr(begin, end - begin));
}

// The NUL-terminated text at offset within bytes; empty when the offset lies outside them.
std::string_view TextAt(std::string_view bytes, std::uint64_t offset) {
    if (offset >= bytes.size()) return {};
    std::string_view rest = bytes.substr(static_cast<std::size_t>(offset));
    return rest.substr(0, rest.find('\0'));
}

// The bytes a driver returned: the first `returned` bytes of the answer buffer.
std::string_view Returned(const std::vector<std::uint8_t>& answer, std::uint32_t returned) {
    const std::size_t size = std::min<std::size_t>(answer.size(), returned);
    return {reinterpret_cast<const char*>(answer.data()), size};
}

}  // namespace

std::uint32_t ReadLe32(std::string_view bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        if (offset + i < bytes.size()) {
            value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[offset + i]))
                     << (8 * i);
        }
    }
    return value;
}

std::uint64_t ReadLe64(std::string_view bytes, std::size_t offset) {
    return ReadLe32(bytes, offset) |
           (static_cast<std::uint64_t>(ReadLe32(bytes, offset + 4)) << 32);
}

std::vector<std::uint8_t> BuildIdentifyRequest(int driveNumber) {
    // SENDCMDINPARAMS: cBufferSize (4), IDEREGS (8), bDriveNumber, 3 reserved, 4 reserved
    // dwords, bBuffer[1].
    std::vector<std::uint8_t> request(kSendCmdInSize, 0);
    const std::uint32_t bufferSize = 512;
    for (std::size_t i = 0; i < 4; ++i)
        request[i] = static_cast<std::uint8_t>(bufferSize >> (8 * i));
    request[4 + 1] = 1;  // bSectorCountReg
    request[4 + 2] = 1;  // bSectorNumberReg
    request[4 + 5] = static_cast<std::uint8_t>(0xA0 | ((driveNumber & 1) << 4));  // bDriveHeadReg
    request[kIdentifyCommandRegOffset] = kAtaIdentifyDevice;
    request[12] = static_cast<std::uint8_t>(driveNumber);  // bDriveNumber
    return request;
}

IdentifyWords IdentifyWordsFromAnswer(const std::vector<std::uint8_t>& answer) {
    IdentifyWords words{};
    for (std::size_t w = 0; w < words.size(); ++w) {
        const std::size_t low = kIdentifyDataOffset + 2 * w;
        const unsigned lo = low < answer.size() ? answer[low] : 0;
        const unsigned hi = low + 1 < answer.size() ? answer[low + 1] : 0;
        words[w] = static_cast<std::uint16_t>(lo | (hi << 8));
    }
    return words;
}

std::string ExtractAtaString(const IdentifyWords& words, int first, int last) {
    if (first < 0) first = 0;
    if (last > static_cast<int>(words.size()) - 1) last = static_cast<int>(words.size()) - 1;
    if (first > last) return {};
    std::string chars;
    chars.reserve(2 * static_cast<std::size_t>(last - first + 1));
    for (int w = first; w <= last; ++w) {
        for (unsigned shift : {8u, 0u}) {
            const unsigned c = (words[static_cast<std::size_t>(w)] >> shift) & 0xFFu;
            chars += c >= 128 ? '\0' : static_cast<char>(c);
        }
    }
    // Strip trailing whitespace back to the first character that is not whitespace (a NUL stops
    // the walk); the first position always stays.
    std::size_t end = chars.size();
    while (end > 1 && text::IsSpace(static_cast<unsigned char>(chars[end - 1]))) --end;
    chars.resize(end);
    return chars.substr(0, chars.find('\0'));
}

std::string DecodeDescriptorString(std::string_view descriptor, std::int64_t offset) {
    if (offset <= 0) return {};
    const std::string_view source = TextAt(descriptor, static_cast<std::uint64_t>(offset));
    std::string result;
    if (!ReadHexText(source, &result)) {
        bool printable = true;
        for (char c : source)
            printable = printable && text::IsPrintable(static_cast<unsigned char>(c));
        result = printable ? std::string(source) : std::string();
    }
    return StripBlanks(result);
}

std::optional<std::int64_t> CapacityNumber(std::int64_t bytes) {
    if (bytes <= 1024 || bytes / 1024 <= 1024) return std::nullopt;
    const std::int64_t mebibytes = bytes / (std::int64_t{1} << 20);
    if (mebibytes <= 1024) return mebibytes;
    return bytes / (std::int64_t{1} << 30);
}

std::string CapacityText(std::int64_t bytes) {
    const std::optional<std::int64_t> number = CapacityNumber(bytes);
    return number ? text::Decimal(*number) : std::string();
}

DiskRecord DiskRecordFromIdentify(const IdentifyWords& words, int driveNumber) {
    DiskRecord record;
    record.driveNumber = driveNumber;
    text::CopyToField(record.serial, ExtractAtaString(words, kSerialFirst, kSerialLast),
                      kSerialWidth);
    text::CopyToField(record.model, ExtractAtaString(words, kModelFirst, kModelLast), kModelWidth);
    record.ssdText = (words[kRotationRate] & 0xFFu) == 1 ? "1" : "0";
    std::uint64_t sectors;
    if (words[kCommandSets] & kLba48Supported) {
        sectors = 0;
        for (int i = 3; i >= 0; --i) sectors = (sectors << 16) | words[kSectors48 + i];
    } else {
        sectors = words[kSectors28] | (static_cast<std::uint64_t>(words[kSectors28 + 1]) << 16);
    }
    // A count of 2^54 sectors or more cannot be a real drive; the byte count wraps as the
    // signed 64-bit product it is defined to be.
    const std::int64_t bytes = static_cast<std::int64_t>(sectors * 512u);
    text::CopyToField(record.sizeBytesText, text::Decimal(bytes), kSizeBytesWidth);
    text::CopyToField(record.capacityText, CapacityText(bytes), kCapacityWidth);
    return record;
}

bool KeepDescriptor(int cpuVendor, bool lacksSerial) {
    if (cpuVendor == 1) return !lacksSerial;
    return cpuVendor == 2;
}

namespace {

// The descriptor pass over one drive: true with the record when the drive is kept.
bool DescribeDrive(RunContext& ctx, int number, int cpuVendor, DescriptorRecord* record) {
    os::Devices& devices = ctx.os.devices;
    const os::DeviceHandle drive = devices.OpenDevice(DrivePath(number), os::kGenericRead,
                                                      os::kFileShareRead | os::kFileShareWrite);
    if (drive == 0) return false;

    std::vector<std::uint8_t> descriptor(kLargeAnswerSize, 0);
    std::uint32_t returned = 0;
    const std::vector<std::uint8_t> query(kPropertyQuerySize, 0);
    if (!devices.IoControl(drive, os::kIoctlStorageQueryProperty, query, &descriptor, &returned)) {
        devices.CloseDevice(drive);
        return false;
    }
    const std::string_view bytes = Returned(descriptor, returned);
    // The offsets are unsigned 32-bit fields; one that reads as negative is treated as absent.
    const std::int64_t productOffset =
        static_cast<std::int32_t>(ReadLe32(bytes, kProductIdOffsetField));
    text::CopyToField(record->productId, DecodeDescriptorString(bytes, productOffset),
                      kProductIdWidth);
    const std::uint32_t serialOffset = ReadLe32(bytes, kSerialNumberOffsetField);
    const bool lacksSerial = serialOffset != 0 && TextAt(bytes, serialOffset).empty();

    std::vector<std::uint8_t> geometry(kLargeAnswerSize, 0);
    if (!devices.IoControl(drive, os::kIoctlDiskGetDriveGeometryEx, {}, &geometry, &returned)) {
        devices.CloseDevice(drive);
        return false;
    }
    devices.CloseDevice(drive);
    const std::string_view geometryBytes(reinterpret_cast<const char*>(geometry.data()),
                                         geometry.size());
    const auto diskSize = static_cast<std::int64_t>(ReadLe64(geometryBytes, kDiskSizeOffset));
    text::CopyToField(record->capacityText, CapacityText(diskSize), kCapacityWidth);
    return KeepDescriptor(cpuVendor, lacksSerial);
}

// The IDENTIFY pass over one drive: true with the words when the drive answered.
bool IdentifyDrive(RunContext& ctx, int number, IdentifyWords* words) {
    os::Devices& devices = ctx.os.devices;
    const os::DeviceHandle drive =
        devices.OpenDevice(DrivePath(number), os::kGenericRead | os::kGenericWrite,
                           os::kFileShareRead | os::kFileShareWrite | os::kFileShareDelete);
    if (drive == 0) return false;
    std::vector<std::uint8_t> answer(kIdentifyAnswerSize, 0);
    std::uint32_t returned = 0;
    const bool answered = devices.IoControl(drive, os::kSmartRcvDriveData,
                                            BuildIdentifyRequest(number), &answer, &returned);
    if (answered) {
        *words = IdentifyWordsFromAnswer(answer);
    } else {
        // A drive that speaks SMART but refuses IDENTIFY has no data to fill a record with, so
        // it gets none either way; the version request only tells the log which case it was.
        std::vector<std::uint8_t> version(kGetVersionSize, 0);
        const bool smart = devices.IoControl(drive, os::kSmartGetVersion, {}, &version, &returned);
        ctx.log.Write(DrivePath(number) + ": IDENTIFY refused" +
                      (smart ? " (SMART version answered)" : "") + ", no disk record");
    }
    devices.CloseDevice(drive);
    return answered;
}

}  // namespace

}  // namespace disks

void IdentifyDrives(RunContext& ctx) {
    using namespace disks;
    DiskState& state = ctx.disks;
    state.DescriptorCount = 0;
    const int cpuVendor = GetCpuVendor(ctx);

    for (int n = 0; n < kPassDrives; ++n) {
        DescriptorRecord record;
        if (!DescribeDrive(ctx, n, cpuVendor, &record)) continue;
        if (state.DescriptorCount >= kMaxDisks) break;
        state.DescriptorTable[static_cast<std::size_t>(state.DescriptorCount++)] = record;
    }

    for (int n = 0; n < kPassDrives; ++n) {
        IdentifyWords words{};
        if (!IdentifyDrive(ctx, n, &words)) continue;
        if (state.DiskCount >= kMaxDisks) break;
        DiskRecord record = DiskRecordFromIdentify(words, n);
        if (record.ssdText == "1") ++state.SsdCount;
        ctx.log.Write(DrivePath(n) + ": model \"" + record.model + "\", " + record.sizeBytesText +
                      " bytes, ssd " + record.ssdText);
        state.DiskTable[static_cast<std::size_t>(state.DiskCount++)] = std::move(record);
    }
    ctx.log.Write("drive identification: " + std::to_string(state.DiskCount) + " disks (" +
                  std::to_string(state.SsdCount) + " SSD), " +
                  std::to_string(state.DescriptorCount) + " descriptors kept (processor vendor " +
                  std::to_string(cpuVendor) + ")");
}
