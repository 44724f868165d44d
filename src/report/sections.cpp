#include "report/sections.h"

#include "app/run_context.h"
#include "common/text.h"
#include "report/report_text.h"

namespace report {

namespace {

// Each identified disk and the IRST record at the same index describe the same disk: the IRST
// serial occurs in the disk's serial and the sizes agree.
bool TablesLineUp(const RunContext& ctx) {
    const auto& disks = ctx.disks;
    for (int j = 0; j < disks.DiskCount; ++j) {
        const disks::DiskRecord& disk = disks.DiskTable[j];
        const irst::RstDiskRecord& rst = ctx.rst.RstDiskTable[j];
        if (disk.serial.find(rst.serial) == std::string::npos) return false;
        if (!text::EqualsNoCase(disk.sizeBytesText, rst.sizeText)) return false;
    }
    return true;
}

}  // namespace

std::string DriveLetterList(const RunContext& ctx, int driveNumber) {
    std::string list;
    const auto& disks = ctx.disks;
    for (int k = 0; k < disks.DriveLetterCount; ++k) {
        const disks::DriveLetterEntry& entry = disks.DriveLetterTable[k];
        if (entry.diskNumber != driveNumber || entry.letter.empty()) continue;
        if (!list.empty()) list += ',';
        list += entry.letter[0];
    }
    return list;
}

void WriteDiskSections(RunContext& ctx, ReportDocument& doc) {
    auto& disks = ctx.disks;
    doc.Element("HDD_Count", disks.DiskCount);
    const bool linedUp = TablesLineUp(ctx);
    for (int i = 0; i < disks.DiskCount; ++i) {
        const disks::DiskRecord& disk = disks.DiskTable[i];
        const auto firstByte = [](const std::string& s) {
            return s.empty() ? 0u : static_cast<unsigned char>(s[0]);
        };
        const unsigned modelFirst = firstByte(disk.model);
        doc.Element(Indexed("HDD_Model", i),
                    (modelFirst == 0 || modelFirst >= 0x7F) ? std::string() : disk.model);
        doc.Element(Indexed("HDD_BusID", i), disk.busIdText.empty() ? "-1" : disk.busIdText);
        doc.Element(Indexed("Empty", i), disk.emptyFlag);
        doc.Element(Indexed("HDD_Cap", i), SplitCapacity(disk.sizeBytesText, doc.unit));
        doc.Element(Indexed("HDD_Uni", i), doc.unit);
        doc.Element(Indexed("HDD_Size", i), GroupThousands(disk.sizeBytesText));
        doc.Element(Indexed("HDD_Avl_Size", i), GroupThousands(disk.freeText));
        doc.Element(Indexed("HDD_SSD", i),
                    (disk.ssdText == "0" || disk.ssdText == "1") ? disk.ssdText : "0");
        doc.Element(Indexed("HDD_Serial", i),
                    firstByte(disk.serial) >= 0x80 ? std::string() : disk.serial);
        doc.Flag(Indexed("HDD_OS", i), disk.osDiskFlag == 1);
        doc.Flag(Indexed("HDD_WIN", i), disk.windowsFlag == 1);
        const std::string letters = DriveLetterList(ctx, disk.driveNumber);
        if (linedUp) {
            // The IRST record's field holds 25 characters: thirteen letters with their commas.
            text::CopyToField(ctx.rst.RstDiskTable[i].driveLettersText, letters,
                              irst::kDriveLettersWidth);
        }
        doc.Element(Indexed("HDD_Disk", i), letters);
    }
}

void WriteIrstSections(RunContext& ctx, ReportDocument& doc) {
    const irst::RstState& rst = ctx.rst;
    doc.Element("intel_IntelNvmRaid", rst.AccelerationPresent);
    doc.Element("intel_IRST", ctx.IrstRelease);
    doc.Element("intel_HDD_Count", rst.RstDiskCount);
    doc.Element("intel_HDD_Migration", rst.MigrationText);
    for (int i = 0; i < rst.RstVolumeCount; ++i) {
        const irst::RstVolumeRecord& volume = rst.RstVolumeTable[i];
        doc.Element(Indexed("intel_Array_Model", i), volume.name);
        doc.Element(Indexed("intel_Array_Cap", i), SplitCapacity(volume.sizeText, doc.unit));
        doc.Element(Indexed("intel_Array_Uni", i), doc.unit);
        doc.Element(Indexed("intel_Array_Size", i), GroupThousands(volume.sizeText));
    }
    for (int i = 0; i < rst.RstDiskCount; ++i) {
        const irst::RstDiskRecord& disk = rst.RstDiskTable[i];
        doc.Element(Indexed("intel_HDD_Model", i), disk.model);
        doc.Element(Indexed("intel_HDD_Serial", i), disk.serial);
        doc.Element(Indexed("intel_HDD_Array", i), disk.arrayMemberText);
        doc.Element(Indexed("intel_HDD_BusID", i), disk.portText);
        doc.Element(Indexed("intel_HDD_RealID", i), disk.idText);
        doc.Element(Indexed("intel_HDD_BusPOS", i), disk.portForm);
        doc.Element(Indexed("intel_HDD_Gen", i), disk.busSpeed);
        doc.Element(Indexed("intel_Empty", i), disk.wholeDiskFree);
        doc.Element(Indexed("intel_HDD_Cap", i), SplitCapacity(disk.sizeText, doc.unit));
        doc.Element(Indexed("intel_HDD_Uni", i), doc.unit);
        doc.Element(Indexed("intel_HDD_Size", i), GroupThousands(disk.sizeText));
        doc.Flag(Indexed("intel_HDD_SSD", i), text::Contains(disk.diskType, " SSD"));
        doc.Flag(Indexed("intel_HDD_PCIE", i), text::Contains(text::Upper(disk.diskType), "PCIE"));
        doc.Flag(Indexed("intel_HDD_OS", i), text::EqualsNoCase(disk.systemDiskText, "yes"));
        doc.Element(Indexed("intel_HDD_Disk", i), disk.driveLettersText);
    }
}

}  // namespace report
