// The simulated PC's drives and volumes, and the diskpart program.
//
// Physical drives come from the description's "drives" section, volumes from "volumes", and
// diskpart's behaviour from "programs"/"diskpart" (examples/README.md describes all three). The
// device model answers the requests that the drive identification and the drive-letter scan
// send, building the same bytes a Windows storage driver returns: the 512-byte IDENTIFY DEVICE
// block inside a SENDCMDOUTPARAMS answer, a STORAGE_DEVICE_DESCRIPTOR, a DISK_GEOMETRY_EX and a
// STORAGE_DEVICE_NUMBER.
#include <algorithm>
#include <array>
#include <optional>
#include <stdexcept>

#include "common/text.h"
#include "os/sim/core.h"
#include "os/sim/models.h"

namespace sim {

namespace {

constexpr std::uint32_t kErrorInvalidFunction = 1;
constexpr std::uint32_t kErrorInsufficientBuffer = 122;

// ---------------------------------------------------------------------------------------------
// The description of one physical drive.
struct DriveSpec {
    int number = 0;
    bool opens = true;
    bool identify = true;  // answers SMART_RCV_DRIVE_DATA with IDENTIFY DEVICE
    bool smart = true;     // answers SMART_GET_VERSION
    bool descriptor = true;
    bool geometry = true;
    std::array<std::uint16_t, 256> words{};
    std::string productId;
    std::optional<std::string> descriptorSerial;  // nullopt: serial number offset 0
    std::int64_t diskSize = 0;
};

const Json* Field(const Json& object, const char* name) {
    if (!object.is_object()) return nullptr;
    auto it = object.find(name);
    return it == object.end() || it->is_null() ? nullptr : &*it;
}

std::string TextField(const Json& object, const char* name, const std::string& fallback) {
    const Json* v = Field(object, name);
    return v && v->is_string() ? v->get<std::string>() : fallback;
}

bool BoolField(const Json& object, const char* name, bool fallback) {
    const Json* v = Field(object, name);
    return v && v->is_boolean() ? v->get<bool>() : fallback;
}

std::uint64_t NumberField(const Json& object, const char* name, std::uint64_t fallback) {
    const Json* v = Field(object, name);
    return v ? JsonNumber(*v, fallback) : fallback;
}

// ATA text: blank-padded to the field, high byte first within each word.
void PutAtaText(std::array<std::uint16_t, 256>& words, int first, int last,
                const std::string& value) {
    std::string padded = value;
    padded.resize(2 * static_cast<std::size_t>(last - first + 1), ' ');
    for (int w = first; w <= last; ++w) {
        const std::size_t i = 2 * static_cast<std::size_t>(w - first);
        words[static_cast<std::size_t>(w)] =
            static_cast<std::uint16_t>((static_cast<unsigned char>(padded[i]) << 8) |
                                       static_cast<unsigned char>(padded[i + 1]));
    }
}

DriveSpec ReadDrive(const Json& d, int position) {
    DriveSpec drive;
    drive.number = static_cast<int>(NumberField(d, "number", static_cast<std::uint64_t>(position)));
    drive.opens = BoolField(d, "opens", true);
    drive.identify = BoolField(d, "identify", true);
    drive.smart = BoolField(d, "smart", true);
    drive.descriptor = BoolField(d, "descriptor", true);
    drive.geometry = BoolField(d, "geometry", true);

    const std::string serial = TextField(d, "serial", "");
    const std::string model = TextField(d, "model", "");
    const std::uint64_t sectors = NumberField(d, "sectors", 0);
    const bool lba48 = BoolField(d, "lba48", true);
    auto& w = drive.words;
    w[0] = 0x0040;  // fixed device
    PutAtaText(w, 10, 19, serial);
    PutAtaText(w, 23, 26, TextField(d, "firmware", "1.0"));
    PutAtaText(w, 27, 46, model);
    const std::uint64_t sectors28 =
        NumberField(d, "sectors28", std::min<std::uint64_t>(sectors, 0x0FFFFFFF));
    w[60] = static_cast<std::uint16_t>(sectors28 & 0xFFFF);
    w[61] = static_cast<std::uint16_t>((sectors28 >> 16) & 0xFFFF);
    w[83] = static_cast<std::uint16_t>(0x4000 | (lba48 ? 0x0400 : 0));
    for (int i = 0; i < 4; ++i) {
        w[static_cast<std::size_t>(100 + i)] = static_cast<std::uint16_t>(sectors >> (16 * i));
    }
    w[217] = static_cast<std::uint16_t>(NumberField(d, "rotationRate", 7200));
    // Raw words: {"83": "0x7400", ...} override whatever the fields above made.
    if (const Json* raw = Field(d, "words"); raw && raw->is_object()) {
        for (auto it = raw->begin(); it != raw->end(); ++it) {
            const unsigned long index = std::stoul(it.key());
            if (index >= w.size())
                throw std::runtime_error("drive word index out of range: " + it.key());
            w[index] = static_cast<std::uint16_t>(JsonNumber(it.value(), 0));
        }
    }

    drive.productId = TextField(d, "productId", model);
    // The descriptor's serial number: the IDENTIFY serial unless given; null gives none at all
    // (offset 0), "" an offset that points at empty text.
    if (d.is_object() && d.contains("descriptorSerial")) {
        const Json& s = d.at("descriptorSerial");
        if (s.is_string()) drive.descriptorSerial = s.get<std::string>();
    } else {
        drive.descriptorSerial = serial;
    }
    drive.diskSize = static_cast<std::int64_t>(NumberField(d, "diskSize", sectors * 512));
    return drive;
}

std::vector<DriveSpec> Drives(const Core& machine) {
    std::vector<DriveSpec> drives;
    const Json& section = machine.Section("drives");
    if (!section.is_array()) return drives;
    int position = 0;
    for (const Json& d : section) drives.push_back(ReadDrive(d, position++));
    return drives;
}

// "\\.\PhysicalDriveN" -> N, or -1.
int DriveNumber(const std::string& path) {
    static const std::string prefix = "\\\\.\\PHYSICALDRIVE";
    const std::string upper = UpperText(path);
    if (upper.rfind(prefix, 0) != 0) return -1;
    const std::string digits = upper.substr(prefix.size());
    if (digits.empty() || digits.size() > 3) return -1;
    for (char c : digits) {
        if (!text::IsDigit(static_cast<unsigned char>(c))) return -1;
    }
    return std::stoi(digits);
}

// "\\.\X:" -> 'X', or 0.
char VolumeLetter(const std::string& path) {
    const std::string upper = UpperText(path);
    if (upper.size() == 6 && upper.rfind("\\\\.\\", 0) == 0 && upper[5] == ':' && upper[4] >= 'A' &&
        upper[4] <= 'Z') {
        return upper[4];
    }
    return 0;
}

std::optional<DriveSpec> FindDrive(const Core& machine, int number) {
    if (number < 0) return std::nullopt;
    for (DriveSpec& d : Drives(machine)) {
        if (d.number == number) return d;
    }
    return std::nullopt;
}

// ---------------------------------------------------------------------------------------------
// Answer bytes.
void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint64_t value) {
    for (std::size_t i = 0; i < 4 && at + i < out.size(); ++i) {
        out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

void Put64(std::vector<std::uint8_t>& out, std::size_t at, std::uint64_t value) {
    Put32(out, at, value & 0xFFFFFFFFu);
    Put32(out, at + 4, value >> 32);
}

// Copies an answer into the caller's buffer; false (insufficient buffer) when it is too small for
// the fixed part.
bool Answer(Core& machine, const std::vector<std::uint8_t>& answer, std::size_t fixedPart,
            std::vector<std::uint8_t>* out, std::uint32_t* returned) {
    if (out == nullptr || out->size() < fixedPart) {
        machine.lastError = kErrorInsufficientBuffer;
        return false;
    }
    const std::size_t n = std::min(answer.size(), out->size());
    std::copy(answer.begin(), answer.begin() + static_cast<std::ptrdiff_t>(n), out->begin());
    *returned = static_cast<std::uint32_t>(n);
    return true;
}

bool Fail(Core& machine, std::uint32_t error) {
    machine.lastError = error;
    return false;
}

bool IdentifyAnswer(Core& machine, const DriveSpec& drive, const std::vector<std::uint8_t>& in,
                    std::vector<std::uint8_t>* out, std::uint32_t* returned) {
    if (!drive.identify) return Fail(machine, static_cast<std::uint32_t>(os::kErrorNotSupported));
    // SENDCMDINPARAMS: the command register is byte 10.
    if (in.size() < 33 || in[10] != 0xEC) {
        return Fail(machine, static_cast<std::uint32_t>(os::kErrorInvalidParameter));
    }
    std::vector<std::uint8_t> answer(16 + 512, 0);
    Put32(answer, 0, 512);  // cBufferSize; DRIVERSTATUS stays zero
    for (std::size_t i = 0; i < drive.words.size(); ++i) {
        answer[16 + 2 * i] = static_cast<std::uint8_t>(drive.words[i] & 0xFF);
        answer[16 + 2 * i + 1] = static_cast<std::uint8_t>(drive.words[i] >> 8);
    }
    return Answer(machine, answer, answer.size(), out, returned);
}

bool VersionAnswer(Core& machine, const DriveSpec& drive, std::vector<std::uint8_t>* out,
                   std::uint32_t* returned) {
    if (!drive.smart) return Fail(machine, static_cast<std::uint32_t>(os::kErrorNotSupported));
    // GETVERSIONINPARAMS: version 1, revision 1, device map, capabilities.
    std::vector<std::uint8_t> answer(24, 0);
    answer[0] = 1;
    answer[1] = 1;
    answer[3] = static_cast<std::uint8_t>(1u << (drive.number & 3));
    Put32(answer, 4, 0x7);  // CAP_ATA_ID_CMD | CAP_ATAPI_ID_CMD | CAP_SMART_CMD
    return Answer(machine, answer, answer.size(), out, returned);
}

bool DescriptorAnswer(Core& machine, const DriveSpec& drive, std::vector<std::uint8_t>* out,
                      std::uint32_t* returned) {
    if (!drive.descriptor) return Fail(machine, kErrorInvalidFunction);
    // STORAGE_DEVICE_DESCRIPTOR: 36 bytes of header, then the NUL-terminated texts.
    std::vector<std::uint8_t> answer(36, 0);
    auto addText = [&answer](const std::string& value) {
        const std::size_t at = answer.size();
        answer.insert(answer.end(), value.begin(), value.end());
        answer.push_back(0);
        return at;
    };
    const std::size_t vendor = addText("");
    const std::size_t product = addText(drive.productId);
    const std::size_t revision = addText("1.0");
    const std::size_t serial = drive.descriptorSerial ? addText(*drive.descriptorSerial) : 0;
    Put32(answer, 0, 36);             // Version
    Put32(answer, 4, answer.size());  // Size
    Put32(answer, 12, vendor);
    Put32(answer, 16, product);
    Put32(answer, 20, revision);
    Put32(answer, 24, serial);
    Put32(answer, 28, 11);  // BusTypeSata
    return Answer(machine, answer, 36, out, returned);
}

bool GeometryAnswer(Core& machine, const DriveSpec& drive, std::vector<std::uint8_t>* out,
                    std::uint32_t* returned) {
    if (!drive.geometry) return Fail(machine, kErrorInvalidFunction);
    std::vector<std::uint8_t> answer(32, 0);
    const auto size = static_cast<std::uint64_t>(drive.diskSize);
    Put64(answer, 0, size / (255ull * 63 * 512));  // Cylinders
    Put32(answer, 8, 12);                          // FixedMedia
    Put32(answer, 12, 255);                        // TracksPerCylinder
    Put32(answer, 16, 63);                         // SectorsPerTrack
    Put32(answer, 20, 512);                        // BytesPerSector
    Put64(answer, 24, size);                       // DiskSize
    return Answer(machine, answer, answer.size(), out, returned);
}

bool DeviceNumberAnswer(Core& machine, std::uint32_t deviceType, std::uint32_t number,
                        std::uint32_t partition, std::vector<std::uint8_t>* out,
                        std::uint32_t* returned) {
    std::vector<std::uint8_t> answer(12, 0);
    Put32(answer, 0, deviceType);
    Put32(answer, 4, number);
    Put32(answer, 8, partition);
    return Answer(machine, answer, answer.size(), out, returned);
}

// A volume's entry in "volumes": {"C": {"disk": 0, "partition": 2, "deviceType": 7}}.
const Json* VolumeEntry(const Core& machine, char letter) {
    const Json& volumes = machine.Section("volumes");
    if (!volumes.is_object()) return nullptr;
    for (auto it = volumes.begin(); it != volumes.end(); ++it) {
        if (UpperText(it.key()) == std::string(1, letter)) return &it.value();
    }
    return nullptr;
}

bool OpenDevice(Core& machine, const std::string& path, std::uint32_t) {
    if (const int number = DriveNumber(path); number >= 0) {
        const std::optional<DriveSpec> drive = FindDrive(machine, number);
        return drive && drive->opens;
    }
    if (const char letter = VolumeLetter(path); letter != 0) {
        return (machine.logicalDrives >> (letter - 'A')) & 1u;
    }
    return false;
}

bool ControlDevice(Core& machine, const std::string& path, std::uint32_t code,
                   const std::vector<std::uint8_t>& in, std::vector<std::uint8_t>* out,
                   std::uint32_t* returned) {
    if (const int number = DriveNumber(path); number >= 0) {
        const std::optional<DriveSpec> drive = FindDrive(machine, number);
        if (!drive) return Fail(machine, static_cast<std::uint32_t>(os::kErrorInvalidHandle));
        switch (code) {
            case os::kSmartRcvDriveData:
                return IdentifyAnswer(machine, *drive, in, out, returned);
            case os::kSmartGetVersion:
                return VersionAnswer(machine, *drive, out, returned);
            case os::kIoctlStorageQueryProperty:
                return DescriptorAnswer(machine, *drive, out, returned);
            case os::kIoctlDiskGetDriveGeometryEx:
                return GeometryAnswer(machine, *drive, out, returned);
            case os::kIoctlStorageGetDeviceNumber:
                return DeviceNumberAnswer(machine, os::kFileDeviceDisk,
                                          static_cast<std::uint32_t>(number), 0, out, returned);
            default:
                return Fail(machine, static_cast<std::uint32_t>(os::kErrorNotSupported));
        }
    }
    if (const char letter = VolumeLetter(path); letter != 0) {
        const Json* volume = VolumeEntry(machine, letter);
        if (code != os::kIoctlStorageGetDeviceNumber || volume == nullptr) {
            return Fail(machine, kErrorInvalidFunction);
        }
        return DeviceNumberAnswer(
            machine,
            static_cast<std::uint32_t>(NumberField(*volume, "deviceType", os::kFileDeviceDisk)),
            static_cast<std::uint32_t>(NumberField(*volume, "disk", 0)),
            static_cast<std::uint32_t>(NumberField(*volume, "partition", 1)), out, returned);
    }
    return Fail(machine, static_cast<std::uint32_t>(os::kErrorInvalidHandle));
}

// ---------------------------------------------------------------------------------------------
// diskpart, driven by a script: "diskpart /s <script>".
struct DiskpartState {
    int runs = 0;
};

const char* const kDiskpartBanner =
    "\r\nMicrosoft DiskPart version 6.1.7601\r\n"
    "Copyright (C) 1999-2008 Microsoft Corporation.\r\n"
    "On computer: SIMULATED-PC\r\n\r\n";

std::string Trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && text::IsSpace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && text::IsSpace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

ProgramResult RunDiskpart(ProgramCall& call) {
    Core& machine = call.machine;
    const Json& config = [&machine]() -> const Json& {
        const Json& programs = machine.Section("programs");
        static const Json none;
        return programs.is_object() && programs.contains("diskpart") ? programs.at("diskpart")
                                                                     : none;
    }();
    DiskpartState& state = machine.State<DiskpartState>();
    ++state.runs;

    ProgramResult result;
    result.durationMs = NumberField(config, "durationMs", 1500);
    result.output = kDiskpartBanner;

    std::string scriptName;
    for (std::size_t i = 0; i + 1 < call.arguments.size(); ++i) {
        if (text::EqualsNoCase(call.arguments[i], "/s")) scriptName = call.arguments[i + 1];
    }
    const bool absolute =
        scriptName.find(':') != std::string::npos || (!scriptName.empty() && scriptName[0] == '\\');
    const std::string scriptPath =
        absolute ? scriptName : text::JoinPath(call.currentDirectory, scriptName);
    std::string script;
    if (scriptName.empty() || !machine.ReadFile(scriptPath, &script)) {
        result.output += "The script file \"" + scriptName + "\" could not be found.\r\n";
        result.exitCode = 1;
        return result;
    }

    // The first runs may print no disk table at all, as a busy Virtual Disk Service does.
    const bool failing = state.runs <= static_cast<int>(NumberField(config, "failFirstRuns", 0));
    int selected = -1;
    std::vector<int> cleaned;  // wiped when diskpart ends
    std::size_t begin = 0;
    // diskpart stops at the first command that fails; what it did before that stands.
    while (begin < script.size()) {
        std::size_t end = script.find('\n', begin);
        if (end == std::string::npos) end = script.size();
        const std::string line = text::Lower(Trim(script.substr(begin, end - begin)));
        begin = end + 1;
        if (line.empty() || line[0] == '#' || line.rfind("rem", 0) == 0) continue;
        const std::vector<std::string> words = [&line] {
            std::vector<std::string> out;
            std::size_t p = 0;
            while (p < line.size()) {
                while (p < line.size() && line[p] == ' ') ++p;
                const std::size_t q = line.find(' ', p);
                if (p < line.size()) out.push_back(line.substr(p, q - p));
                p = q == std::string::npos ? line.size() : q;
            }
            return out;
        }();
        if (failing) {
            result.output += "Virtual Disk Service error:\r\nThe service failed to initialize.\r\n";
            result.exitCode = 1;
            break;
        }
        if (words.size() == 2 && words[0] == "list" && words[1] == "disk") {
            // The listing: a text file of the machine folder, or the text itself.
            const std::string name = TextField(config, "listing", "");
            result.output +=
                name.empty() ? TextField(config, "listingText", "") : machine.MachineFile(name);
        } else if (words.size() == 3 && (words[0] == "sel" || words[0] == "select") &&
                   words[1] == "disk") {
            const std::string& n = words[2];
            const bool digits =
                !n.empty() && n.size() <= 3 && std::all_of(n.begin(), n.end(), [](char c) {
                    return text::IsDigit(static_cast<unsigned char>(c));
                });
            if (!digits || !FindDrive(machine, std::stoi(digits ? n : "0"))) {
                result.output += "\r\nThe disk you specified is not valid.\r\n";
                result.exitCode = 1;
                break;
            }
            selected = std::stoi(n);
            result.output += "\r\nDisk " + n + " is now the selected disk.\r\n";
        } else if (words.size() == 1 && words[0] == "clean") {
            if (selected < 0) {
                result.output += "\r\nThere is no disk selected.\r\n";
                result.exitCode = 1;
                break;
            }
            cleaned.push_back(selected);
            result.output += "\r\nDiskPart succeeded in cleaning the disk.\r\n";
        } else {
            result.output += "\r\nThe arguments specified for this command are not valid.\r\n";
            result.exitCode = 1;
            break;
        }
    }
    if (!cleaned.empty()) {
        result.atEnd = [&machine, cleaned] {
            for (int disk : cleaned) machine.Record("disk.wipe", "disk " + std::to_string(disk));
        };
    }
    return result;
}

}  // namespace

void RegisterDiskModels(ModelRegistry& models) {
    models.SetDevices(DeviceModel{OpenDevice, ControlDevice});
    models.AddProgram("diskpart", RunDiskpart, /*systemProgram=*/true);
}

}  // namespace sim
