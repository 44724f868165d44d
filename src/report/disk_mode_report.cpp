#include "report/disk_mode_report.h"

#include "app/launcher.h"
#include "app/process_end.h"
#include "app/run_context.h"
#include "common/text.h"
#include "disks/scan.h"
#include "irst/release.h"
#include "platform/pch_mode.h"
#include "platform/pci.h"
#include "report/report_document.h"
#include "report/sections.h"

namespace {

using platform::ControllerKind;
using report::ReportDocument;

// How often a deleted file is looked for again, and how long an old report held open by a reader
// is waited for beyond the first second before the run gives up.
constexpr std::uint32_t kPollStepMs = 50;
constexpr std::uint32_t kOldReportGraceMs = 5000;

std::string ReportPath(const RunContext& ctx) {
    return text::JoinPath(ctx.g_strAppDir, kReportFileName);
}

// Puts the document in place in one step: written to a temporary file beside the report, then
// moved over it. A reader sees the old state (absent) or the whole new report, never a part.
bool PutInPlace(RunContext& ctx, const ReportDocument& doc) {
    const std::string target = ReportPath(ctx);
    const std::string temporary = target + ".tmp";
    if (!ctx.os.files.WriteFile(temporary, doc.Text())) {
        ctx.log.Write("the report cannot be created: " + temporary + " cannot be written");
        ctx.os.files.DeleteFile(temporary);
        return false;
    }
    if (!ctx.os.files.ReplaceFile(temporary, target)) {
        ctx.log.Write("the report cannot be put in place: " + target);
        ctx.os.files.DeleteFile(temporary);
        return false;
    }
    ctx.log.Write("wrote " + target + " (" + std::to_string(doc.Text().size()) + " bytes)");
    return true;
}

[[noreturn]] void ErrorEnding(RunContext& ctx, const ReportDocument& doc, const std::string& why) {
    ctx.log.Write("report ending: " + why);
    PutInPlace(ctx, doc);
    EndProcess(ctx, kExitReportError);
}

void ZeroModes(ReportDocument& doc) {
    doc.WriteReportLine("<IDE>0</IDE>");
    doc.WriteReportLine("<AHCI>0</AHCI>");
    doc.WriteReportLine("<RAID>0</RAID>");
}

void CurrentLine(ReportDocument& doc, ControllerKind kind) {
    switch (kind) {
        case ControllerKind::Ide:
            doc.WriteReportLine("<Current>IDE</Current>");
            break;
        case ControllerKind::Ahci:
            doc.WriteReportLine("<Current>AHCI</Current>");
            break;
        case ControllerKind::Raid:
            doc.WriteReportLine("<Current>RAID</Current>");
            break;
        case ControllerKind::None:
            break;
    }
}

void CurrentLine(ReportDocument& doc, platform::PchMode mode) {
    switch (mode) {
        case platform::PchMode::Ide:
            doc.WriteReportLine("<Current>IDE</Current>");
            break;
        case platform::PchMode::Raid:
            doc.WriteReportLine("<Current>RAID</Current>");
            break;
        case platform::PchMode::Ahci:
            doc.WriteReportLine("<Current>AHCI</Current>");
            break;
        case platform::PchMode::None:
            break;
    }
}

bool IsX79(std::uint32_t shiftedSignature) {
    return platform::IsMember(platform::X79Signature, shiftedSignature);
}

bool IsSupportedRelease(std::uint8_t code) {
    switch (code) {
        case 18:
        case 19:
        case 20:
        case 21:
        case 22:
        case 23:
        case 32:
        case 33:
            return true;
        default:
            return false;
    }
}

std::string VendorText(const os::CpuidRegisters& leaf0) {
    std::string vendor;
    for (std::uint32_t reg : {leaf0.ebx, leaf0.edx, leaf0.ecx}) {
        for (int shift = 0; shift < 32; shift += 8) {
            vendor += static_cast<char>((reg >> shift) & 0xFFu);
        }
    }
    return vendor;
}

// Removes the old report. A reader that holds it open may keep it for a moment; the run waits a
// bounded time for it and otherwise ends without touching it.
void RemoveOldReport(RunContext& ctx) {
    const std::string path = ReportPath(ctx);
    if (DeleteFileAndWait(ctx, path, 1000)) return;
    ctx.log.Write("the old report is still held open; waiting for it to be released");
    for (std::uint32_t waited = 0; waited < kOldReportGraceMs; waited += 500) {
        if (DeleteFileAndWait(ctx, path, 500)) return;
    }
    ctx.log.Write("the old report cannot be deleted; no report is written");
    EndProcess(ctx, kExitReportError);
}

}  // namespace

bool DeleteFileAndWait(RunContext& ctx, const std::string& path, std::uint32_t boundMs) {
    ctx.os.files.DeleteFile(path);
    for (std::uint32_t waited = 0;; waited += kPollStepMs) {
        if (!ctx.os.files.CanOpenForRead(path)) return true;
        if (waited >= boundMs) return false;
        ctx.os.clock.Sleep(kPollStepMs);
        ctx.os.files.DeleteFile(path);
    }
}

void WriteDiskModeReport(RunContext& ctx) {
    ScanDisks(ctx);
    const ControllerKind kind = platform::KindOfController(platform::DetectSataController(ctx));
    RemoveOldReport(ctx);

    ReportDocument doc;
    doc.WriteReportLine(R"(<?xml version="1.0" encoding="UTF-8"?>)");
    doc.WriteReportLine("<root>");

    const std::uint32_t chipset = platform::ReadChipsetId(ctx);
    const std::uint32_t signature = platform::ReadCpuid(ctx, 1).eax >> 4;
    doc.Flag("B_Chip", platform::IsMember(platform::BChipIds, chipset));
    doc.Flag("H_Chip", platform::IsMember(platform::HChipIds, chipset));
    doc.Flag("S_Chip", platform::IsMember(platform::SChipIds, chipset));
    doc.Flag("GPT", ctx.disks.SystemDiskGpt == 1);
    doc.Flag("X99", platform::IsMember(platform::X99ChipIds, chipset));
    doc.Flag("X79", IsX79(signature & 0xFFFFu));
    // On X79 boards whose SATA function is one of the RAID identifiers the controller is taken to
    // be in RAID mode already.
    if (!platform::IsMember(platform::ListedChipIds, chipset) &&
        platform::IsMember(platform::SataRaidIds, platform::ReadSataFunctionId(ctx)) &&
        IsX79(signature)) {
        doc.WriteReportLine("<Current>RAID</Current>");
    }

    if (!IsSupportedRelease(ctx.g_nOSCode)) {
        doc.WriteReportLine("<ERR>This windows OS version can't be supported.</ERR>");
        doc.WriteReportLine("<IDE>0</IDE>");
        // These three elements stand on one line, which alone ends with CR LF.
        doc.WriteRaw("<AHCI>0</AHCI>");
        doc.WriteRaw("<RAID>0</RAID>");
        doc.WriteReportLine("</root>");
        ErrorEnding(ctx, doc, "Windows release " + std::to_string(ctx.g_nOSCode) + " refused");
    }
    doc.Element("OS", ctx.g_nOSCode);

    if (VendorText(platform::ReadCpuid(ctx, 0)) != "GenuineIntel") {
        doc.WriteReportLine("<ERR>This is not intel platform.</ERR>");
        ZeroModes(doc);
        doc.WriteReportLine("</root>");
        ErrorEnding(ctx, doc, "not an Intel processor");
    }

    const platform::PchModeReading modes = platform::ReadPchModes(ctx);
    switch (modes.status) {
        case platform::PchModeStatus::LibraryMissing:
            doc.WriteReportLine("<ERR>Load zorm.dll fail!!</ERR>");
            ZeroModes(doc);
            doc.WriteReportLine("</root>");
            ErrorEnding(ctx, doc, "the PCH-mode library zorm.dll cannot be loaded");
        case platform::PchModeStatus::ExportMissing:
            doc.WriteReportLine("<ERR>Get function form zorm.dll fail !!</ERR>");
            ZeroModes(doc);
            CurrentLine(doc, kind);
            doc.WriteReportLine("</root>");
            ErrorEnding(ctx, doc, "an entry point of zorm.dll is missing");
        case platform::PchModeStatus::InitFailed:
        case platform::PchModeStatus::NoModeList:
            doc.WriteReportLine("<ERR>Get function form zorm.dll fail !!</ERR>");
            ZeroModes(doc);
            CurrentLine(doc, kind);
            break;
        case platform::PchModeStatus::Ok:
            CurrentLine(doc, modes.current);
            doc.Flag("IDE", modes.ideAllowed);
            doc.Flag("AHCI", modes.ahciAllowed);
            if (!modes.raidAllowed) {
                doc.WriteReportLine("<RAID>0</RAID>");
            } else if (platform::IsMember(platform::BChipIds, chipset)) {
                doc.WriteReportLine("<RAID>-1</RAID>");
            } else {
                doc.WriteReportLine("<RAID>1</RAID>");
            }
            break;
    }

    if (!DetectIrstRelease(ctx)) {
        doc.WriteReportLine("<ERR>Please install IRST first. </ERR>");
        report::WriteDiskSections(ctx, doc);
        doc.WriteReportLine("</root>");
        ErrorEnding(ctx, doc, "no IRST release installed");
    }

    report::WriteDiskSections(ctx, doc);
    if (ctx.disks.SsdCount == 0 && ctx.rst.AccelerationPresent == 0) {
        doc.WriteReportLine("<ERR>The cache available hard drive can't be found.</ERR>");
    }
    report::WriteIrstSections(ctx, doc);
    doc.WriteReportLine("</root>");
    if (!PutInPlace(ctx, doc)) EndProcess(ctx, kExitReportError);
}
