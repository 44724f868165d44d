// Physical drives and volumes. Opening "\\.\PhysicalDriveN" and "\\.\X:" and every request go to
// the device model registered by the drive models; without one, a drive opens when the
// description lists it and no request is supported.
#include <map>

#include "common/text.h"
#include "os/sim/core.h"
#include "os/sim/models.h"
#include "os/sim/parts.h"

namespace sim {

namespace {

class SimDevices : public os::Devices {
  public:
    explicit SimDevices(Core& core) : core_(core) {}

    os::DeviceHandle OpenDevice(const std::string& path, std::uint32_t access,
                                std::uint32_t) override {
        const DeviceModel& model = ModelRegistry::All().Devices();
        const bool opens = model.open ? model.open(core_, path, access) : DefaultOpen(path);
        if (!opens) {
            core_.lastError = static_cast<std::uint32_t>(os::kErrorFileNotFound);
            return 0;
        }
        next_ += 4;
        open_[next_] = path;
        return next_;
    }

    bool IoControl(os::DeviceHandle device, std::uint32_t code, const std::vector<std::uint8_t>& in,
                   std::vector<std::uint8_t>* out, std::uint32_t* returned) override {
        auto it = open_.find(device);
        if (it == open_.end()) {
            core_.lastError = static_cast<std::uint32_t>(os::kErrorInvalidHandle);
            return false;
        }
        std::uint32_t count = 0;
        const DeviceModel& model = ModelRegistry::All().Devices();
        const std::size_t size = out ? out->size() : 0;
        bool ok = false;
        if (model.control) {
            ok = model.control(core_, it->second, code, in, out, &count);
        } else {
            core_.lastError = static_cast<std::uint32_t>(os::kErrorNotSupported);
        }
        // A driver never reports more than the caller's buffer holds, nor grows it.
        if (out && out->size() != size) out->resize(size);
        if (count > size) count = static_cast<std::uint32_t>(size);
        if (returned) *returned = count;
        return ok;
    }

    void CloseDevice(os::DeviceHandle device) override { open_.erase(device); }

    std::uint32_t LogicalDrives() override { return core_.logicalDrives; }

  private:
    bool DefaultOpen(const std::string& path) const {
        const std::string upper = UpperText(path);
        static const std::string drive = "\\\\.\\PHYSICALDRIVE";
        if (upper.rfind(drive, 0) == 0) {
            const std::string number = upper.substr(drive.size());
            if (number.empty() || number.size() > 3) return false;
            for (char c : number)
                if (!text::IsDigit(static_cast<unsigned char>(c))) return false;
            const Json& drives = core_.Section("drives");
            return drives.is_array() && std::stoul(number) < drives.size();
        }
        if (upper.size() == 6 && upper.rfind("\\\\.\\", 0) == 0 && upper[5] == ':' &&
            upper[4] >= 'A' && upper[4] <= 'Z')
            return (core_.logicalDrives >> (upper[4] - 'A')) & 1u;
        return false;
    }

    Core& core_;
    std::map<os::DeviceHandle, std::string> open_;
    os::DeviceHandle next_ = 0x3000;
};

}  // namespace

std::unique_ptr<os::Devices> MakeDevices(Core& core) {
    return std::make_unique<SimDevices>(core);
}

}  // namespace sim
