// The registry with its two views. VOLKIT is a 32-bit program: on a 64-bit machine its opens of
// HKLM\SOFTWARE\... land in HKLM\SOFTWARE\WOW6432Node\... unless it asks for KEY_WOW64_64KEY.
#include <cstring>
#include <map>

#include "os/sim/core.h"
#include "os/sim/parts.h"

namespace sim {

namespace {

class SimRegistry : public os::Registry {
  public:
    explicit SimRegistry(Core& core) : core_(core) {}

    long OpenKey(os::HKey parent, const std::string& path, std::uint32_t access,
                 os::HKey* out) override {
        Handle h;
        if (!Child(parent, path, access, &h)) return os::kErrorInvalidHandle;
        if (core_.registry.find(UpperText(Stored(h))) == core_.registry.end())
            return os::kErrorFileNotFound;
        *out = Add(h);
        return os::kErrorSuccess;
    }

    long CreateKey(os::HKey parent, const std::string& path, std::uint32_t access,
                   os::HKey* out) override {
        Handle h;
        if (!Child(parent, path, access, &h)) return os::kErrorInvalidHandle;
        const std::string stored = Stored(h);
        if (core_.registry.find(UpperText(stored)) == core_.registry.end()) {
            const RegKey& key = core_.EnsureKey(stored);
            core_.Record("registry.create-key", key.path + View(h));
        }
        *out = Add(h);
        return os::kErrorSuccess;
    }

    long DeleteKey(os::HKey parent, const std::string& path) override {
        Handle h;
        if (path.empty() || !Child(parent, path, 0, &h)) return os::kErrorInvalidHandle;
        const std::string upper = UpperText(Stored(h));
        auto it = core_.registry.find(upper);
        if (it == core_.registry.end()) return os::kErrorFileNotFound;
        // A key with subkeys cannot be deleted this way.
        auto sub = core_.registry.lower_bound(upper + "\\");
        if (sub != core_.registry.end() && sub->first.rfind(upper + "\\", 0) == 0)
            return os::kErrorAccessDenied;
        core_.Record("registry.delete-key", it->second.path + View(h));
        core_.registry.erase(it);
        return os::kErrorSuccess;
    }

    long CloseKey(os::HKey key) override {
        if (key == os::kHkeyLocalMachine || key == os::kHkeyCurrentUser) return os::kErrorSuccess;
        return handles_.erase(key) ? os::kErrorSuccess : os::kErrorInvalidHandle;
    }

    long QueryValue(os::HKey key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size) override {
        Handle h;
        if (!Lookup(key, &h)) return os::kErrorInvalidHandle;
        auto k = core_.registry.find(UpperText(Stored(h)));
        if (k == core_.registry.end()) return os::kErrorInvalidHandle;  // deleted meanwhile
        auto v = k->second.values.find(UpperText(name));
        if (v == k->second.values.end()) return os::kErrorFileNotFound;
        const std::string& bytes = v->second.bytes;
        if (type) *type = v->second.type;
        const auto needed = static_cast<std::uint32_t>(bytes.size());
        if (data == nullptr) {
            if (size) *size = needed;
            return os::kErrorSuccess;
        }
        if (size == nullptr) return os::kErrorInvalidParameter;
        if (*size < needed) {
            *size = needed;
            return os::kErrorMoreData;
        }
        std::memcpy(data, bytes.data(), bytes.size());
        *size = needed;
        return os::kErrorSuccess;
    }

    long SetValue(os::HKey key, const std::string& name, std::uint32_t type,
                  const std::uint8_t* data, std::uint32_t size) override {
        Handle h;
        if (!Lookup(key, &h)) return os::kErrorInvalidHandle;
        const std::string stored = Stored(h);
        if (core_.registry.find(UpperText(stored)) == core_.registry.end())
            return os::kErrorInvalidHandle;
        if (data == nullptr && size != 0) return os::kErrorInvalidParameter;
        RegValue value;
        value.name = name;
        value.type = type;
        if (size) value.bytes.assign(reinterpret_cast<const char*>(data), size);
        core_.PutValue(stored, value);
        if (!core_.journal.empty()) core_.journal.back().detail += View(h);
        return os::kErrorSuccess;
    }

  private:
    struct Handle {
        std::string logical;  // "HKLM\\SOFTWARE\\Intel"
        bool view64 = false;
    };

    bool Lookup(os::HKey key, Handle* h) const {
        if (key == os::kHkeyLocalMachine || key == os::kHkeyCurrentUser) {
            h->logical = key == os::kHkeyLocalMachine ? "HKLM" : "HKCU";
            h->view64 = false;
            return true;
        }
        auto it = handles_.find(key);
        if (it == handles_.end()) return false;
        *h = it->second;
        return true;
    }

    bool Child(os::HKey parent, const std::string& path, std::uint32_t access, Handle* h) const {
        if (!Lookup(parent, h)) return false;
        std::string sub;
        for (char c : path) {
            if (c == '\\' && (sub.empty() || sub.back() == '\\')) continue;
            sub += c;
        }
        while (!sub.empty() && sub.back() == '\\') sub.pop_back();
        if (!sub.empty()) h->logical += "\\" + sub;
        if (access & os::kKeyWow64_64Key) h->view64 = true;
        if (access & os::kKeyWow64_32Key) h->view64 = false;
        return true;
    }

    std::string Stored(const Handle& h) const { return core_.StoredKeyPath(h.logical, h.view64); }

    std::string View(const Handle& h) const {
        // Only where the two views differ (HKLM\SOFTWARE on a 64-bit machine) is the view told.
        if (core_.StoredKeyPath(h.logical, true) == core_.StoredKeyPath(h.logical, false))
            return "";
        return h.view64 ? " [64-bit view]" : " [32-bit view]";
    }

    os::HKey Add(const Handle& h) {
        next_ += 4;
        handles_[next_] = h;
        return next_;
    }

    Core& core_;
    std::map<os::HKey, Handle> handles_;
    os::HKey next_ = 0x1000;
};

}  // namespace

std::unique_ptr<os::Registry> MakeRegistry(Core& core) {
    return std::make_unique<SimRegistry>(core);
}

}  // namespace sim
