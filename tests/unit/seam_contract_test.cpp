// What every implementation of the seam must do alike, checked on the simulated PC (Linux build)
// and on the real Win32 seam under Wine (Windows build): registry views of a 32-bit process on
// 64-bit Windows, value reads into small buffers, and files kept byte for byte.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/test_os.h"

namespace {

class SeamContractTest : public ::testing::Test {
  protected:
    std::unique_ptr<TestOs> testOs = MakeTestOs();
    os::Os& os = testOs->Os();

    std::string ProgramDirectory() {
        const std::string path = os.files.ModuleFileName();
        return path.substr(0, path.find_last_of('\\') + 1);
    }
    bool Is64BitWindows() {
        bool wow64 = false;
        return os.system.IsWow64Process(&wow64) && wow64;
    }
};

// ---------------------------------------------------------------------------------------------
// Registry views.

struct ViewCase {
    const char* name;
    const char* path;         // under HKEY_LOCAL_MACHINE
    std::uint32_t writeView;  // 0 (the process's own, 32-bit view) or kKeyWow64_64Key
    std::uint32_t readView;
    bool visible;
};

class RegistryViewTest : public SeamContractTest, public ::testing::WithParamInterface<ViewCase> {};

TEST_P(RegistryViewTest, KeyIsSeenOnlyWhereTheViewsShareIt) {
    const ViewCase& c = GetParam();
    if (!Is64BitWindows()) GTEST_SKIP() << "needs a 64-bit Windows (prefix)";
    const std::string path = std::string(c.path) + "\\VolkitSeamTest";
    const std::string parent = c.path;
    os::HKey key = 0;
    ASSERT_EQ(
        os.registry.CreateKey(os::kHkeyLocalMachine, path, os::kKeyAllAccess | c.writeView, &key),
        os::kErrorSuccess);
    const std::uint8_t data[] = {'v', 'i', 'e', 'w', 0};
    ASSERT_EQ(os.registry.SetValue(key, "probe", os::kRegSz, data, sizeof data), os::kErrorSuccess);
    os.registry.CloseKey(key);

    os::HKey seen = 0;
    const long opened =
        os.registry.OpenKey(os::kHkeyLocalMachine, path, os::kKeyAllAccess | c.readView, &seen);
    EXPECT_EQ(opened == os::kErrorSuccess, c.visible);
    if (opened == os::kErrorSuccess) {
        std::uint8_t buffer[16] = {};
        std::uint32_t size = sizeof buffer;
        std::uint32_t type = 0;
        EXPECT_EQ(os.registry.QueryValue(seen, "probe", &type, buffer, &size), os::kErrorSuccess);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer)), "view");
        os.registry.CloseKey(seen);
    } else {
        EXPECT_EQ(opened, os::kErrorFileNotFound);
    }

    // Deleting through a parent opened in the writing view removes the key from that view.
    os::HKey parentKey = 0;
    ASSERT_EQ(os.registry.OpenKey(os::kHkeyLocalMachine, parent, os::kKeyAllAccess | c.writeView,
                                  &parentKey),
              os::kErrorSuccess);
    EXPECT_EQ(os.registry.DeleteKey(parentKey, "VolkitSeamTest"), os::kErrorSuccess);
    os.registry.CloseKey(parentKey);
    EXPECT_EQ(
        os.registry.OpenKey(os::kHkeyLocalMachine, path, os::kKeyAllAccess | c.writeView, &seen),
        os::kErrorFileNotFound);
}

INSTANTIATE_TEST_SUITE_P(
    Views, RegistryViewTest,
    ::testing::Values(ViewCase{"Software64NotIn32", "SOFTWARE", os::kKeyWow64_64Key, 0, false},
                      ViewCase{"Software32NotIn64", "SOFTWARE", 0, os::kKeyWow64_64Key, false},
                      ViewCase{"Software64In64", "SOFTWARE", os::kKeyWow64_64Key,
                               os::kKeyWow64_64Key, true},
                      ViewCase{"SystemShared", "SYSTEM\\CurrentControlSet\\Services", 0,
                               os::kKeyWow64_64Key, true}),
    [](const ::testing::TestParamInfo<ViewCase>& param) { return std::string(param.param.name); });

// A value read into a buffer too small for it reports ERROR_MORE_DATA with its real type and
// size; asking without a buffer reports type and size only.
TEST_F(SeamContractTest, ValueReadReportsTypeAndSizeForEveryBuffer) {
    const std::string path = "SOFTWARE\\VolkitSeamTest";
    os::HKey key = 0;
    ASSERT_EQ(os.registry.CreateKey(os::kHkeyCurrentUser, path, os::kKeyAllAccess, &key),
              os::kErrorSuccess);
    const std::string text = "0123456789";  // 11 bytes with its NUL
    ASSERT_EQ(os.registry.SetValue(key, "text", os::kRegSz,
                                   reinterpret_cast<const std::uint8_t*>(text.c_str()),
                                   static_cast<std::uint32_t>(text.size() + 1)),
              os::kErrorSuccess);

    struct {
        std::uint32_t bufferSize;
        bool withBuffer;
        long status;
    } cases[] = {{4, true, os::kErrorMoreData},
                 {11, true, os::kErrorSuccess},
                 {200, true, os::kErrorSuccess},
                 {0, false, os::kErrorSuccess}};
    for (const auto& c : cases) {
        std::vector<std::uint8_t> buffer(200, 0xEE);
        std::uint32_t size = c.bufferSize;
        std::uint32_t type = 0;
        EXPECT_EQ(os.registry.QueryValue(key, "text", &type, c.withBuffer ? buffer.data() : nullptr,
                                         &size),
                  c.status)
            << "buffer " << c.bufferSize;
        EXPECT_EQ(type, os::kRegSz) << "buffer " << c.bufferSize;
        EXPECT_EQ(size, 11u) << "buffer " << c.bufferSize;
    }
    std::uint32_t size = 4;
    EXPECT_EQ(os.registry.QueryValue(key, "absent", nullptr, nullptr, &size),
              os::kErrorFileNotFound);
    os.registry.CloseKey(key);
    EXPECT_EQ(os.registry.DeleteKey(os::kHkeyCurrentUser, path), os::kErrorSuccess);
}

// ---------------------------------------------------------------------------------------------
// Files are written and read as bytes: no line-end translation, no end at a NUL or ^Z.

TEST_F(SeamContractTest, FilesKeepEveryByte) {
    const std::string path = ProgramDirectory() + "volkit-seam-bytes.bin";
    const std::string bytes("line\r\nnext\n\0\x1a tail\r", 19);
    ASSERT_TRUE(os.files.WriteFile(path, bytes));
    ASSERT_TRUE(os.files.AppendFile(path, "+more"));
    std::string read;
    ASSERT_TRUE(os.files.ReadFile(path, &read));
    EXPECT_EQ(read, bytes + "+more");
    EXPECT_EQ(os.files.FileSize(path), static_cast<std::int64_t>(bytes.size() + 5));

    const std::string other = path + ".new";
    ASSERT_TRUE(os.files.WriteFile(other, "replacement"));
    ASSERT_TRUE(os.files.ReplaceFile(other, path));
    ASSERT_TRUE(os.files.ReadFile(path, &read));
    EXPECT_EQ(read, "replacement");
    EXPECT_EQ(os.files.GetAttributes(other), os::kInvalidFileAttributes);
    EXPECT_TRUE(os.files.DeleteFile(path));
    EXPECT_FALSE(os.files.ReadFile(path, &read));
    EXPECT_EQ(os.files.FileSize(path), -1);
}

}  // namespace
