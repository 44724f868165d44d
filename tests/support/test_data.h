// Test data kept in the source tree (reports, listings, golden files), read byte for byte.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

namespace test_data {

// The content of a file of the source tree given by its path from the tree's root; empty (and
// ok false) when it cannot be read.
inline std::string ReadSourceFile(const std::string& relativePath, bool* ok = nullptr) {
    std::ifstream in(std::string(VOLKIT_SOURCE_DIR) + "/" + relativePath, std::ios::binary);
    if (ok != nullptr) *ok = static_cast<bool>(in);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

}  // namespace test_data
