// Test data kept in the source tree (reports, listings, golden files), read byte for byte.
#pragma once

#include <gtest/gtest.h>

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

// One of the rstcli information reports of tests/data/rstcli; a missing one fails the test.
inline std::string ReadRstcliReport(const std::string& name) {
    bool ok = false;
    std::string text = ReadSourceFile("tests/data/rstcli/" + name, &ok);
    EXPECT_TRUE(ok) << "missing report " << name;
    return text;
}

}  // namespace test_data
