#include "platform/pch_mode.h"

#include <array>
#include <string>

#include "app/run_context.h"
#include "common/text.h"
#include "outside/pch_library.h"

namespace platform {

namespace {

// The text a library call left in a buffer: up to its first NUL, never past the buffer's end.
template <std::size_t N>
std::string_view TextOf(const std::array<char, N>& buffer) {
    std::size_t length = 0;
    while (length < N && buffer[length] != '\0') ++length;
    return std::string_view(buffer.data(), length);
}

// A library text as it may stand in a log line.
std::string Printable(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (char c : value) out += text::IsPrintable(static_cast<unsigned char>(c)) ? c : '?';
    return out;
}

const char* NameOf(PchModeRequest request) {
    switch (request) {
        case PchModeRequest::Ide:
            return "IDE";
        case PchModeRequest::Ahci:
            return "AHCI";
        case PchModeRequest::Raid:
            return "RAID";
    }
    return "?";
}

// Whether the entry at a zero-based position of the mode list names the mode (any letter case).
bool EntryNames(std::string_view modeList, int position, std::string_view modeName) {
    std::size_t begin = 0;
    for (int index = 0; index < position; ++index) {
        const std::size_t separator = modeList.find(':', begin);
        if (separator == std::string_view::npos) return false;
        begin = separator + 1;
    }
    std::size_t end = modeList.find(':', begin);
    if (end == std::string_view::npos) end = modeList.size();
    return text::ContainsNoCase(modeList.substr(begin, end - begin), modeName);
}

}  // namespace

PchModeReading ReadPchModes(RunContext& ctx) {
    PchModeReading reading;
    outside::PchLibraryEntryPoints zorm;
    if (outside::LoadPchLibrary(ctx.os.libraries, &zorm) == 0) {
        reading.status = PchModeStatus::LibraryMissing;
        ctx.log.Write(std::string("PCH modes: ") + outside::kPchModeLibrary + " cannot be loaded");
        return reading;
    }
    if (!zorm.Complete()) {
        reading.status = PchModeStatus::ExportMissing;
        ctx.log.Write(std::string("PCH modes: entry point ") + zorm.FirstMissing() +
                      " missing in " + outside::kPchModeLibrary);
        return reading;
    }
    const int initial = zorm.Initial();
    if (initial != 0) {
        reading.status = PchModeStatus::InitFailed;
        ctx.log.Write("PCH modes: Initial returned " + text::Decimal(initial));
        return reading;
    }
    std::array<char, outside::kModeListBufferSize> listBuffer{};
    zorm.GetAllMode(listBuffer.data(), outside::kModeListBufferSize);
    const std::string_view list = TextOf(listBuffer);
    if (list.empty()) {
        reading.status = PchModeStatus::NoModeList;
        ctx.log.Write("PCH modes: the mode list is empty");
        return reading;
    }
    const std::string upper = text::Upper(list);
    reading.ideAllowed = text::Contains(upper, "IDE");
    reading.ahciAllowed = text::Contains(upper, "AHCI");
    reading.raidAllowed = text::Contains(upper, "RAID");

    std::array<char, outside::kCurrentModeBufferSize> currentBuffer{};
    zorm.GetPchMode(currentBuffer.data(), outside::kCurrentModeBufferSize);
    const std::string_view current = TextOf(currentBuffer);
    if (text::Contains(current, "IDE")) {
        reading.current = PchMode::Ide;
    } else if (text::Contains(current, "RAID")) {
        reading.current = PchMode::Raid;
    } else if (text::Contains(current, "AHCI")) {
        reading.current = PchMode::Ahci;
    }
    reading.status = PchModeStatus::Ok;
    ctx.log.Write("PCH modes: list \"" + Printable(list) + "\", current \"" + Printable(current) +
                  "\"");
    return reading;
}

std::optional<int> PchModePositions::Of(PchModeRequest request) const {
    switch (request) {
        case PchModeRequest::Ide:
            return ide;
        case PchModeRequest::Ahci:
            return ahci;
        case PchModeRequest::Raid:
            return raid;
    }
    return std::nullopt;
}

PchModePositions PchModePositionsOf(std::string_view modeList) {
    modeList = modeList.substr(0, modeList.find('\0'));
    const char first = modeList.empty() ? '\0' : modeList.front();
    const std::size_t separator = modeList.find(':');
    const char second = (separator != std::string_view::npos && separator + 1 < modeList.size())
                            ? modeList[separator + 1]
                            : '\0';
    PchModePositions positions;
    if (first == 'I') {
        positions.ide = 0;
        if (second == 'R') {
            positions.ahci = 2;
            positions.raid = 1;
        } else if (second == 'A') {
            positions.ahci = 1;
            positions.raid = 2;
        }
    } else if (first == 'A') {
        positions.ahci = 0;
        if (second == 'R') {
            positions.ide = 2;
            positions.raid = 1;
        } else if (second == 'I') {
            positions.ide = 1;
            positions.raid = 2;
        }
    } else {
        positions.raid = 0;
        if (second == 'I') {
            positions.ide = 1;
            positions.ahci = 2;
        } else if (second == 'A') {
            positions.ide = 2;
            positions.ahci = 1;
        }
    }
    return positions;
}

void SwitchPchMode(RunContext& ctx, PchModeRequest request) {
    const std::string mode = NameOf(request);
    outside::PchLibraryEntryPoints zorm;
    if (outside::LoadPchLibrary(ctx.os.libraries, &zorm) == 0) {
        ctx.log.Write(std::string("PCH mode: ") + outside::kPchModeLibrary + " cannot be loaded, " +
                      mode + " not selected");
        return;
    }
    if (!zorm.Complete()) {
        ctx.log.Write(std::string("PCH mode: entry point ") + zorm.FirstMissing() + " missing in " +
                      outside::kPchModeLibrary + ", " + mode + " not selected");
        return;
    }
    const int initial = zorm.Initial();
    if (initial != 0) ctx.log.Write("PCH mode: Initial returned " + text::Decimal(initial));

    std::array<char, outside::kModeListBufferSize> listBuffer{};
    zorm.GetAllMode(listBuffer.data(), outside::kModeListBufferSize);
    const std::string_view list = TextOf(listBuffer);
    const std::optional<int> position = PchModePositionsOf(list).Of(request);

    std::array<char, outside::kCurrentModeBufferSize> currentBuffer{};
    zorm.GetPchMode(currentBuffer.data(), outside::kCurrentModeBufferSize);

    const std::string shown = "\"" + Printable(list) + "\"";
    if (!position) {
        ctx.log.Write("PCH mode: the position of " + mode + " in the mode list " + shown +
                      " is undetermined, nothing selected");
        return;
    }
    // The position comes from the list's first letters only; selecting an entry that is not the
    // requested mode would leave the firmware and the storage drivers disagreeing at next boot.
    if (!EntryNames(list, *position, mode)) {
        ctx.log.Write("PCH mode: entry " + text::Decimal(*position) + " of the mode list " + shown +
                      " is not " + mode + ", nothing selected");
        return;
    }
    zorm.SetPchMode(*position);
    zorm.SaveToBios();
    ctx.log.Write("PCH mode: selected " + mode + " at position " + text::Decimal(*position) +
                  " of " + shown + " and saved it to the firmware");
}

}  // namespace platform
