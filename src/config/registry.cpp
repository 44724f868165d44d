#include "config/registry.h"

#include <array>
#include <cstring>

namespace {
// ReadString reads into a buffer of this many bytes; a longer value fails with ERROR_MORE_DATA.
constexpr std::uint32_t kStringBufferBytes = 200;
}  // namespace

CRegistry::CRegistry(os::Registry& registry, os::HKey root) : m_hKey(root), registry_(registry) {}

CRegistry::~CRegistry() {
    // Also closes the root key handle when nothing was opened; closing a predefined root key is
    // harmless.
    if (m_hKey != 0) {
        registry_.CloseKey(m_hKey);
        m_hKey = 0;
    }
}

bool CRegistry::Open(os::HKey parent, const std::string& path) {
    m_strPath = path;
    m_lStatus = registry_.OpenKey(parent, path, os::kKeyAllAccess, &m_hKey);
    m_dwSize = 0;
    m_dwType = 0;
    return m_lStatus == os::kErrorSuccess;
}

bool CRegistry::Open64(os::HKey parent, const std::string& path) {
    m_strPath = path;
    m_lStatus = registry_.OpenKey(parent, path, os::kKeyAllAccess | os::kKeyWow64_64Key, &m_hKey);
    m_dwSize = 0;
    m_dwType = 0;
    return m_lStatus == os::kErrorSuccess;
}

bool CRegistry::CreateKey(os::HKey parent, const std::string& path) {
    m_lStatus = registry_.CreateKey(parent, path, os::kKeyAllAccess, &m_hKey);
    m_dwSize = 0;
    m_dwType = 0;
    return m_lStatus == os::kErrorSuccess;
}

bool CRegistry::DeleteKey(os::HKey parent, const std::string& path) {
    m_lStatus = registry_.DeleteKey(parent, path);
    m_dwType = 0;
    m_dwSize = 0;
    return m_lStatus == os::kErrorSuccess;
}

void CRegistry::Close() {
    if (m_hKey != 0) {
        registry_.CloseKey(m_hKey);
        m_hKey = 0;
    }
}

bool CRegistry::ReadDword(const std::string& name, std::uint32_t* value) {
    std::array<std::uint8_t, 4> buffer{};
    std::uint32_t type = 0;
    std::uint32_t size = static_cast<std::uint32_t>(buffer.size());
    m_lStatus = registry_.QueryValue(m_hKey, name, &type, buffer.data(), &size);
    m_dwType = type;
    m_dwSize = size;
    if (m_lStatus != os::kErrorSuccess) return false;
    // Any value type is accepted: the raw bytes become the number (little-endian, as Windows
    // stores a REG_DWORD). A shorter value leaves the remaining bytes zero.
    *value = static_cast<std::uint32_t>(buffer[0]) | static_cast<std::uint32_t>(buffer[1]) << 8 |
             static_cast<std::uint32_t>(buffer[2]) << 16 |
             static_cast<std::uint32_t>(buffer[3]) << 24;
    return true;
}

bool CRegistry::ReadString(const std::string& name, std::string* value) {
    std::array<std::uint8_t, kStringBufferBytes> buffer{};
    std::uint32_t type = 0;
    std::uint32_t size = kStringBufferBytes;
    m_lStatus = registry_.QueryValue(m_hKey, name, &type, buffer.data(), &size);
    m_dwType = type;
    m_dwSize = size;
    if (m_lStatus != os::kErrorSuccess) return false;
    // The text ends at its first NUL; a value stored without one ends at its reported size,
    // never past the buffer.
    const std::size_t limit = size < kStringBufferBytes ? size : kStringBufferBytes;
    const auto* begin = reinterpret_cast<const char*>(buffer.data());
    const void* nul = std::memchr(begin, 0, limit);
    const std::size_t length =
        nul != nullptr ? static_cast<std::size_t>(static_cast<const char*>(nul) - begin) : limit;
    value->assign(begin, length);
    return true;
}

bool CRegistry::WriteString(const std::string& name, const std::string& value) {
    // The text with its terminating NUL (std::string keeps one after its last character).
    const auto size = static_cast<std::uint32_t>(value.size() + 1);
    m_lStatus = registry_.SetValue(m_hKey, name, os::kRegSz,
                                   reinterpret_cast<const std::uint8_t*>(value.c_str()), size);
    m_dwType = os::kRegSz;
    m_dwSize = size;
    return m_lStatus == os::kErrorSuccess;
}

bool CRegistry::WriteDword(const std::string& name, std::uint32_t value) {
    const std::array<std::uint8_t, 4> bytes = {
        static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    m_lStatus = registry_.SetValue(m_hKey, name, os::kRegDword, bytes.data(), 4);
    m_dwType = os::kRegDword;
    m_dwSize = 4;
    return m_lStatus == os::kErrorSuccess;
}
