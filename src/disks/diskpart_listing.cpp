#include "disks/diskpart_listing.h"

#include "app/run_context.h"
#include "common/text.h"

bool LoadTextFile(RunContext& ctx, const std::string& path) {
    // The whole file, as bytes; an empty file is a successful load of an empty text.
    std::string content;
    if (!ctx.os.files.ReadFile(path, &content)) return false;
    ctx.disks.ListingText = std::move(content);
    return true;
}

namespace disks {

namespace {

constexpr std::uint32_t kRetryPauseMs = 1000;
constexpr int kOpenRetries = 10;      // reopening the script, loading the listing
constexpr int kListingRetries = 3;    // runs of "create_s.bat" when the listing has no table
constexpr int kPartitionDrives = 16;  // physical drives 0 to 15

constexpr std::size_t kMaxNumberDigits = 9;
constexpr std::size_t kMaxUnitLetters = 4;

constexpr std::size_t kNone = std::string_view::npos;

std::size_t NextDigit(std::string_view s, std::size_t from) {
    for (std::size_t i = from; i < s.size(); ++i) {
        if (text::IsDigit(static_cast<unsigned char>(s[i]))) return i;
    }
    return kNone;
}

bool IsUnitLetter(char c) {
    return c == 'B' || c == 'K' || c == 'M' || c == 'G';
}

// A run of characters taken from a row: [begin, end).
struct Run {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t size() const { return end - begin; }
};

template <typename Pred>
Run TakeRun(std::string_view s, std::size_t from, Pred pred) {
    Run run{from, from};
    while (run.end < s.size() && pred(s[run.end])) ++run.end;
    return run;
}

Run TakeDigits(std::string_view s, std::size_t from) {
    return TakeRun(s, from, [](char c) { return text::IsDigit(static_cast<unsigned char>(c)); });
}

Run TakeUnit(std::string_view s, std::size_t from) {
    return TakeRun(s, from, IsUnitLetter);
}

std::string Slice(std::string_view s, Run run) {
    return std::string(s.substr(run.begin, run.size()));
}

// A partition record that holds a listed row, or null (not listed, or beyond the table).
const PartitionStyleRecord* ListedRecord(const DiskState& state, int index) {
    if (index < 0 || index >= kPartitionTableSize) return nullptr;
    const PartitionStyleRecord& record = state.PartitionStyleTable[static_cast<std::size_t>(index)];
    return record.listSizeText.empty() ? nullptr : &record;
}

// Whether a capacity text names the same size as the listed row. An empty capacity (a drive too
// small to have a number) agrees with nothing.
bool SizeAgrees(const PartitionStyleRecord* record, const std::string& capacityText) {
    return record != nullptr && !capacityText.empty() &&
           text::EqualsNoCase(record->listSizeText, capacityText);
}

bool WhollyFree(const PartitionStyleRecord* record) {
    return record != nullptr && text::EqualsNoCase(record->listSizeText, record->listFreeText) &&
           text::EqualsNoCase(record->listFreeUnit, record->listSizeUnit);
}

// The flag rule shared by the disk table and the descriptor table: when at least one record's
// capacity agrees with diskpart's disk of the same index, every record whose listed disk is
// wholly free is flagged.
template <typename Table, typename FlagOf>
void FlagWhollyFree(const DiskState& state, Table& table, int count, FlagOf flagOf) {
    bool agreement = false;
    for (int i = 0; i < count; ++i) {
        auto& record = table[static_cast<std::size_t>(i)];
        flagOf(record) = 0;
        agreement = agreement || SizeAgrees(ListedRecord(state, i), record.capacityText);
    }
    if (!agreement) return;
    for (int i = 0; i < count; ++i) {
        if (WhollyFree(ListedRecord(state, i))) flagOf(table[static_cast<std::size_t>(i)]) = 1;
    }
}

}  // namespace

std::size_t ListingRowsStart(std::string_view listing) {
    std::size_t start = 0;
    std::size_t from = 0;
    const std::size_t underline = listing.find(kHeaderUnderline);
    if (underline != kNone) start = from = underline + 8;
    // Walk along the column underlines: each " ---" found moves the start 8 past it, which in
    // diskpart's table ends at the close of the underline row, before the first disk row.
    for (std::size_t found;
         from < listing.size() && (found = listing.find(" ---", from)) != kNone;) {
        start = from = found + 8;
    }
    return start;
}

ListingParseResult ParseDiskpartListing(std::string_view s, PartitionStyleTableType& table) {
    ListingParseResult result;
    std::size_t pos = ListingRowsStart(s);
    while (pos < s.size()) {
        const std::size_t numberAt = NextDigit(s, pos);
        if (numberAt == kNone) break;  // no more rows
        const Run number = TakeDigits(s, numberAt);

        // Size: digits, one separating character, unit letters.
        const std::size_t sizeAt = NextDigit(s, number.end);
        if (sizeAt == kNone) {
            result.cutShort = true;
            break;
        }
        const Run size = TakeDigits(s, sizeAt);
        if (size.end >= s.size()) {
            result.cutShort = true;
            break;
        }
        const Run sizeUnit = TakeUnit(s, size.end + 1);

        // Free size, the same way.
        const std::size_t freeAt = NextDigit(s, sizeUnit.end);
        if (freeAt == kNone) {
            result.cutShort = true;
            break;
        }
        const Run free = TakeDigits(s, freeAt);
        if (free.end >= s.size()) {
            result.cutShort = true;
            break;
        }
        const Run freeUnit = TakeUnit(s, free.end + 1);
        if (freeUnit.end >= s.size()) {
            result.cutShort = true;
            break;
        }

        // The rest of the row: a '*' standing two to five characters before a line feed is in
        // the Gpt column (a '*' in the Dyn column stands further from the end).
        bool gpt = false;
        std::size_t lineEnd = freeUnit.end;
        if (s[lineEnd] != '\n') {
            lineEnd = s.find('\n', freeUnit.end + 1);
            if (lineEnd == kNone) {
                result.cutShort = true;
                break;
            }
            for (std::size_t k = freeUnit.end + 1; k < lineEnd; ++k) {
                if (s[k] != '*') continue;
                for (std::size_t j = 2; j <= 5 && k + j < s.size(); ++j) {
                    if (s[k + j] == '\n') gpt = true;
                }
            }
        }

        const bool fits = number.size() <= kMaxNumberDigits && size.size() <= kMaxNumberDigits &&
                          free.size() <= kMaxNumberDigits && sizeUnit.size() <= kMaxUnitLetters &&
                          freeUnit.size() <= kMaxUnitLetters;
        const int disk = fits ? std::stoi(Slice(s, number)) : -1;
        if (fits && disk < kPartitionTableSize) {
            PartitionStyleRecord& record = table[static_cast<std::size_t>(disk)];
            text::CopyToField(record.listSizeText, Slice(s, size), kListNumberWidth);
            text::CopyToField(record.listSizeUnit, Slice(s, sizeUnit), kListSizeUnitWidth);
            text::CopyToField(record.listFreeText, Slice(s, free), kListNumberWidth);
            text::CopyToField(record.listFreeUnit, Slice(s, freeUnit), kListFreeUnitWidth);
            record.style = gpt ? 2 : 1;
            ++result.rowsStored;
        } else {
            ++result.rowsIgnored;
        }
        pos = lineEnd + 2;
    }
    return result;
}

void PairListingWithDisks(DiskState& state) {
    FlagWhollyFree(state, state.DiskTable, state.DiskCount,
                   [](DiskRecord& r) -> std::int32_t& { return r.emptyFlag; });
    FlagWhollyFree(state, state.DescriptorTable, state.DescriptorCount,
                   [](DescriptorRecord& r) -> std::int32_t& { return r.blankFlag; });

    // A disk whose model is the product text of the descriptor record at the same index, and
    // whose descriptor record was found wholly free, is empty too.
    const int both = std::min(state.DiskCount, state.DescriptorCount);
    for (int i = 0; i < both; ++i) {
        DiskRecord& disk = state.DiskTable[static_cast<std::size_t>(i)];
        const DescriptorRecord& descriptor = state.DescriptorTable[static_cast<std::size_t>(i)];
        if (!disk.model.empty() && text::EqualsNoCase(disk.model, descriptor.productId) &&
            descriptor.blankFlag == 1) {
            disk.emptyFlag = 1;
        }
    }

    // Free space: the listed free number of the disk with the same index, when the sizes agree.
    for (int i = 0; i < state.DiskCount; ++i) {
        DiskRecord& disk = state.DiskTable[static_cast<std::size_t>(i)];
        const PartitionStyleRecord* listed = ListedRecord(state, i);
        text::CopyToField(disk.freeText,
                          SizeAgrees(listed, disk.capacityText) ? listed->listFreeText : "0",
                          kFreeWidth);
    }
}

namespace {

// LoadTextFile, retried once a second while the file is not there, at most 10 retries.
bool LoadListingWithRetries(RunContext& ctx) {
    for (int retry = 0;; ++retry) {
        if (LoadTextFile(ctx, disks::kListOutputFile)) return true;
        if (retry == kOpenRetries) return false;
        ctx.os.clock.Sleep(kRetryPauseMs);
    }
}

bool HasTable(const RunContext& ctx) {
    return ctx.disks.ListingText.find(disks::kHeaderUnderline) != std::string::npos;
}

// Writes the script and waits until it can be read back. False when it cannot be written or
// read: diskpart is then not run, since an older script of the same name could hold anything.
bool WriteListScript(RunContext& ctx) {
    os::Files& files = ctx.os.files;
    if (!files.WriteFile(disks::kListScriptFile, disks::kListScriptText)) {
        ctx.log.Write(std::string("diskpart listing: cannot write ") + disks::kListScriptFile +
                      ", diskpart not run");
        return false;
    }
    for (int retry = 0; !files.CanOpenForRead(disks::kListScriptFile); ++retry) {
        if (retry == kOpenRetries) {
            ctx.log.Write(std::string("diskpart listing: ") + disks::kListScriptFile +
                          " cannot be read back, diskpart not run");
            return false;
        }
        ctx.os.clock.Sleep(kRetryPauseMs);
    }
    return true;
}

// One retry through the batch file: rewritten, the old output removed, started hidden and awaited
// (at most as long as the load would poll), then the listing loaded again.
void RetryThroughBatch(RunContext& ctx, int attempt) {
    os::Files& files = ctx.os.files;
    ctx.os.clock.Sleep(kRetryPauseMs);
    const bool written = files.WriteFile(disks::kListRetryBatch, disks::kListCommand);
    ctx.os.clock.Sleep(kRetryPauseMs);
    files.DeleteFile(disks::kListOutputFile);
    if (!written) {
        ctx.log.Write(std::string("diskpart listing: cannot write ") + disks::kListRetryBatch +
                      ", retry " + std::to_string(attempt) + " not run");
        return;
    }
    const std::string batch =
        text::QuoteIfBlank(text::JoinPath(files.CurrentDirectory(), disks::kListRetryBatch));
    const os::ProcessHandle process = ctx.os.processes.StartHidden(batch);
    ctx.log.Write("diskpart listing: no disk table in " + std::string(disks::kListOutputFile) +
                  ", retry " + std::to_string(attempt) + ": started " + batch +
                  (process == 0 ? " (failed to start)" : ""));
    if (process != 0) {
        ctx.os.processes.Wait(process, kOpenRetries * kRetryPauseMs);
        ctx.os.processes.CloseProcess(process);
    }
    LoadListingWithRetries(ctx);
}

}  // namespace

}  // namespace disks

void ListDiskpartDisks(RunContext& ctx) {
    using namespace disks;
    if (WriteListScript(ctx)) {
        ctx.log.Write(std::string("diskpart listing: running \"") + kListCommand + "\"");
        ctx.os.processes.RunShell(kListCommand);
        if (!LoadListingWithRetries(ctx)) {
            ctx.log.Write(std::string("diskpart listing: ") + kListOutputFile + " not found");
        }
        for (int attempt = 1; attempt <= kListingRetries && !HasTable(ctx); ++attempt) {
            RetryThroughBatch(ctx, attempt);
        }
    }

    const ListingParseResult parsed =
        ParseDiskpartListing(ctx.disks.ListingText, ctx.disks.PartitionStyleTable);
    ctx.log.Write("diskpart listing: " + std::to_string(parsed.rowsStored) + " disk rows read" +
                  (parsed.rowsIgnored
                       ? ", " + std::to_string(parsed.rowsIgnored) +
                             " rows ignored (disk number above 15 or a field too long)"
                       : std::string()) +
                  (parsed.cutShort ? ", the listing ends inside a row" : "") +
                  (HasTable(ctx) ? "" : ", no disk table found"));
    PairListingWithDisks(ctx.disks);
}

void ReadPartitionStyles(RunContext& ctx) {
    using namespace disks;
    ListDiskpartDisks(ctx);
    ctx.disks.PartitionDriveCount = 0;
    for (int n = 0; n < kPartitionDrives; ++n) {
        const os::DeviceHandle drive = ctx.os.devices.OpenDevice(
            "\\\\.\\PhysicalDrive" + std::to_string(n), os::kGenericRead | os::kGenericWrite,
            os::kFileShareRead | os::kFileShareWrite | os::kFileShareDelete);
        if (drive == 0) continue;
        ++ctx.disks.PartitionDriveCount;
        PartitionStyleRecord& record = ctx.disks.PartitionStyleTable[static_cast<std::size_t>(n)];
        if (record.style != 2) record.style = 1;
        ctx.os.devices.CloseDevice(drive);
    }
    ctx.log.Write("partition styles: " + std::to_string(ctx.disks.PartitionDriveCount) +
                  " of the physical drives 0 to 15 open");
}
