#include "config/registry.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "fake_os.h"
#include "support/test_os.h"

namespace {

// The semantics tests run against every registry a backend offers.
struct Backend {
    const char* name;
    std::function<os::Registry&(std::shared_ptr<void>& keepAlive)> make;
};

void PrintTo(const Backend& b, std::ostream* out) {
    *out << b.name;
}

constexpr const char* kTestKey = "SOFTWARE\\VOLKIT unit test";

class RegistrySemantics : public testing::TestWithParam<Backend> {
  protected:
    void SetUp() override { registry_ = &GetParam().make(keepAlive_); }
    void TearDown() override {
        CRegistry cleanup(*registry_, os::kHkeyLocalMachine);
        cleanup.DeleteKey(os::kHkeyLocalMachine, kTestKey);
    }
    os::Registry& registry() { return *registry_; }

    // A fresh test key holding one value written raw (type and bytes as given).
    void MakeKeyWith(const std::string& name, std::uint32_t type, const std::string& bytes) {
        CRegistry setup(registry(), os::kHkeyLocalMachine);
        ASSERT_TRUE(setup.CreateKey(os::kHkeyLocalMachine, kTestKey)) << setup.m_lStatus;
        ASSERT_EQ(registry().SetValue(setup.m_hKey, name, type,
                                      reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                      static_cast<std::uint32_t>(bytes.size())),
                  os::kErrorSuccess);
        setup.Close();
    }

  private:
    std::shared_ptr<void> keepAlive_;
    os::Registry* registry_ = nullptr;
};

TEST_P(RegistrySemantics, OpenOfMissingKeyFailsAndRecordsPath) {
    CRegistry reg(registry(), os::kHkeyLocalMachine);
    reg.m_dwType = 7;
    reg.m_dwSize = 7;
    EXPECT_FALSE(reg.Open(os::kHkeyLocalMachine, kTestKey));
    EXPECT_EQ(reg.m_lStatus, os::kErrorFileNotFound);
    EXPECT_EQ(reg.m_strPath, kTestKey);
    EXPECT_EQ(reg.m_dwType, 0u);
    EXPECT_EQ(reg.m_dwSize, 0u);
    EXPECT_FALSE(reg.Open64(os::kHkeyLocalMachine, kTestKey));
    EXPECT_EQ(reg.m_lStatus, os::kErrorFileNotFound);
}

TEST_P(RegistrySemantics, WritesRecordTypeAndSizeAndReadBack) {
    CRegistry reg(registry(), os::kHkeyLocalMachine);
    ASSERT_TRUE(reg.CreateKey(os::kHkeyLocalMachine, kTestKey));
    EXPECT_TRUE(reg.m_strPath.empty()) << "CreateKey does not set the path";
    struct Text {
        const char* name;
        std::string value;
    };
    for (const Text& t : {Text{"empty", ""}, Text{"path", "C:\\VOLKIT\\tidalpretray.exe"}}) {
        EXPECT_TRUE(reg.WriteString(t.name, t.value));
        EXPECT_EQ(reg.m_lStatus, os::kErrorSuccess);
        EXPECT_EQ(reg.m_dwType, os::kRegSz);
        EXPECT_EQ(reg.m_dwSize, t.value.size() + 1);
    }
    EXPECT_TRUE(reg.WriteDword("start", 0x01020304u));
    EXPECT_EQ(reg.m_dwType, os::kRegDword);
    EXPECT_EQ(reg.m_dwSize, 4u);
    reg.Close();
    EXPECT_EQ(reg.m_hKey, 0u);

    ASSERT_TRUE(reg.Open(os::kHkeyLocalMachine, kTestKey));
    std::string text = "old";
    EXPECT_TRUE(reg.ReadString("empty", &text));
    EXPECT_EQ(text, "");
    EXPECT_EQ(reg.m_dwSize, 1u);
    EXPECT_TRUE(reg.ReadString("path", &text));
    EXPECT_EQ(text, "C:\\VOLKIT\\tidalpretray.exe");
    EXPECT_EQ(reg.m_dwType, os::kRegSz);
    std::uint32_t number = 0;
    EXPECT_TRUE(reg.ReadDword("start", &number));
    EXPECT_EQ(number, 0x01020304u);
    EXPECT_EQ(reg.m_dwType, os::kRegDword);
    EXPECT_EQ(reg.m_dwSize, 4u);

    // A missing value fails and leaves the text; Close stores no status.
    EXPECT_FALSE(reg.ReadString("absent", &text));
    EXPECT_EQ(reg.m_lStatus, os::kErrorFileNotFound);
    EXPECT_EQ(text, "C:\\VOLKIT\\tidalpretray.exe");
    reg.Close();
    EXPECT_EQ(reg.m_lStatus, os::kErrorFileNotFound);
}

TEST_P(RegistrySemantics, StringReadsAreLimitedToTwoHundredBytes) {
    struct Case {
        std::size_t characters;  // the value holds these and a NUL
        bool read;
    };
    for (const Case& c : {Case{199, true}, Case{200, false}, Case{0, true}}) {
        MakeKeyWith("v", os::kRegSz, std::string(c.characters, 'x') + std::string(1, '\0'));
        CRegistry reg(registry(), os::kHkeyLocalMachine);
        ASSERT_TRUE(reg.Open(os::kHkeyLocalMachine, kTestKey));
        std::string text = "unchanged";
        EXPECT_EQ(reg.ReadString("v", &text), c.read) << c.characters;
        EXPECT_EQ(reg.m_dwType, os::kRegSz);
        if (c.read) {
            EXPECT_EQ(reg.m_dwSize, c.characters + 1) << c.characters;
            EXPECT_EQ(text, std::string(c.characters, 'x'));
        } else {
            // The size needed (Windows may count a text's stored form, which can be larger).
            EXPECT_GE(reg.m_dwSize, c.characters + 1) << c.characters;
            EXPECT_EQ(reg.m_lStatus, os::kErrorMoreData);
            EXPECT_EQ(text, "unchanged");
        }
    }
}

TEST_P(RegistrySemantics, StringReadStopsAtNulAndAcceptsAnyTypeWithoutNul) {
    MakeKeyWith("two", os::kRegSz, std::string("14.8\0junk", 10));
    MakeKeyWith("raw", os::kRegBinary, "15.7.0");
    CRegistry reg(registry(), os::kHkeyLocalMachine);
    ASSERT_TRUE(reg.Open(os::kHkeyLocalMachine, kTestKey));
    std::string text;
    EXPECT_TRUE(reg.ReadString("two", &text));
    EXPECT_EQ(text, "14.8");
    EXPECT_TRUE(reg.ReadString("raw", &text));
    EXPECT_EQ(text, "15.7.0");
    EXPECT_EQ(reg.m_dwType, os::kRegBinary);
}

TEST_P(RegistrySemantics, DwordReadsTakeRawBytesOfAnyTypeUpToFour) {
    MakeKeyWith("abc", os::kRegSz, std::string("abc\0", 4));
    MakeKeyWith("abcd", os::kRegSz, std::string("abcd\0", 5));
    CRegistry reg(registry(), os::kHkeyLocalMachine);
    ASSERT_TRUE(reg.Open(os::kHkeyLocalMachine, kTestKey));
    std::uint32_t number = 5;
    EXPECT_TRUE(reg.ReadDword("abc", &number));
    EXPECT_EQ(number, 0x00636261u);
    EXPECT_EQ(reg.m_dwType, os::kRegSz);
    EXPECT_EQ(reg.m_dwSize, 4u);
    number = 5;
    EXPECT_FALSE(reg.ReadDword("abcd", &number));
    EXPECT_EQ(reg.m_lStatus, os::kErrorMoreData);
    EXPECT_GE(reg.m_dwSize, 5u);
    EXPECT_EQ(number, 5u);
}

TEST_P(RegistrySemantics, DeleteKeyLeavesTheOpenKeyAlone) {
    CRegistry reg(registry(), os::kHkeyLocalMachine);
    ASSERT_TRUE(reg.CreateKey(os::kHkeyLocalMachine, kTestKey));
    reg.Close();
    reg.m_dwType = 1;
    reg.m_dwSize = 9;
    EXPECT_TRUE(reg.DeleteKey(os::kHkeyLocalMachine, kTestKey));
    EXPECT_EQ(reg.m_dwType, 0u);
    EXPECT_EQ(reg.m_dwSize, 0u);
    EXPECT_EQ(reg.m_hKey, 0u);
    EXPECT_FALSE(reg.DeleteKey(os::kHkeyLocalMachine, kTestKey));
    EXPECT_EQ(reg.m_lStatus, os::kErrorFileNotFound);
    EXPECT_FALSE(reg.Open(os::kHkeyLocalMachine, kTestKey));
}

Backend FakeBackend() {
    return Backend{"Scripted", [](std::shared_ptr<void>& keep) -> os::Registry& {
                       auto registry = std::make_shared<fake::Registry>();
                       keep = registry;
                       return *registry;
                   }};
}

// The registry of the test machine: the simulated PC on Linux, the real registry under Wine.
Backend TestOsBackend() {
    return Backend{"TestOs", [](std::shared_ptr<void>& keep) -> os::Registry& {
                       std::shared_ptr<TestOs> testOs = MakeTestOs();
                       keep = testOs;
                       return testOs->Os().registry;
                   }};
}

INSTANTIATE_TEST_SUITE_P(Backends, RegistrySemantics,
                         testing::Values(FakeBackend(), TestOsBackend()));

TEST(RegistryHandles, ViewsAccessAndClosing) {
    fake::Registry registry;
    registry.keys[{true, "SOFTWARE\\Intel\\IRST"}];
    {
        CRegistry reg(registry, os::kHkeyLocalMachine);
        EXPECT_EQ(reg.m_hKey, os::kHkeyLocalMachine);
    }
    EXPECT_EQ(registry.closes, 1) << "an object that opened nothing closes its root key";
    {
        CRegistry reg(registry, os::kHkeyLocalMachine);
        EXPECT_TRUE(reg.Open64(os::kHkeyLocalMachine, "SOFTWARE\\Intel\\IRST"));
        reg.Close();
        EXPECT_TRUE(reg.CreateKey(os::kHkeyLocalMachine, "SOFTWARE\\MORVANTE\\IRST_VER"));
        reg.Close();
    }
    EXPECT_EQ(registry.closes, 3) << "after Close the destructor closes nothing";
    EXPECT_EQ(registry.openAccess, std::vector<std::uint32_t>{0xF013Fu});
    EXPECT_EQ(registry.keys.count({false, "SOFTWARE\\MORVANTE\\IRST_VER"}), 1u)
        << "CreateKey works in the process's own view";
}

}  // namespace
