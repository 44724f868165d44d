// CRegistry: the one wrapper through which the program reads and writes the registry. It keeps
// the status, value type and size of its last call.
#pragma once

#include <cstdint>
#include <string>

#include "os/os.h"

class CRegistry {
public:
    CRegistry(os::Registry& registry, os::HKey root);
    ~CRegistry();
    CRegistry(const CRegistry&) = delete;
    CRegistry& operator=(const CRegistry&) = delete;

    bool Open(os::HKey parent, const std::string& path);
    bool Open64(os::HKey parent, const std::string& path);
    bool CreateKey(os::HKey parent, const std::string& path);
    bool DeleteKey(os::HKey parent, const std::string& path);
    void Close();
    bool ReadDword(const std::string& name, std::uint32_t* value);
    bool ReadString(const std::string& name, std::string* value);
    bool WriteString(const std::string& name, const std::string& value);
    bool WriteDword(const std::string& name, std::uint32_t value);

    long m_lStatus = 0;
    std::uint32_t m_dwType = 0;
    std::uint32_t m_dwSize = 0;
    os::HKey m_hKey = 0;
    std::string m_strPath;

private:
    os::Registry& registry_;
};
