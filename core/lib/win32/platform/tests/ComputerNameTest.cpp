#include "platform/ComputerName.h"
#include "platform/RegistryStore.h"
#include "platform/Win32Error.h"
#include "platform/tests/TempSystemDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <unistd.h>

using namespace portlib::platform;

namespace {

TEST(ComputerNameRule, HostNameBecomesAnNtComputerName) {
    struct Case {
        const char* host;
        const char* name;
    };
    const Case cases[] = {
        {"node7.example.com", "NODE7"},
        {"Node-7", "NODE-7"},
        {"averyveryverylonghostname.lan", "AVERYVERYVERYLO"},
        {"exactly15chars_", "EXACTLY15CHARS_"},
        {".leadingdot", ""},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ComputerName::FromHostName(c.host), c.name) << c.host;
}

class ComputerNameTest : public hvtest::SystemDirTest {
protected:
    static std::string HostRule() {
        char host[256] = {};
        ::gethostname(host, sizeof host - 1);
        return ComputerName::FromHostName(host);
    }
    static int StoreRaw(std::uint32_t type, const std::string& bytes) {
        RegKey key;
        int rc = RegistryStore::CreateKey(RegHive::LocalMachine, kComputerNameKey, &key);
        if (rc != 0) return rc;
        return RegistryStore::SetValue(key, kComputerNameValue, type, reinterpret_cast<const unsigned char*>(bytes.data()),
                                       static_cast<std::uint32_t>(bytes.size()));
    }
};

TEST_F(ComputerNameTest, RegistryValueWinsOverTheHostName) {
    std::string name;
    ASSERT_EQ(ComputerName::Get(&name), 0);
    EXPECT_EQ(name, HostRule());
    ASSERT_EQ(ComputerName::Set("SYSA"), 0);
    ASSERT_EQ(ComputerName::Get(&name), 0);
    EXPECT_EQ(name, "SYSA");
    // The key is looked up without regard to case, like every registry key.
    RegKey key;
    EXPECT_EQ(RegistryStore::OpenKey(RegHive::LocalMachine,
                                     "system\\currentcontrolset\\control\\computername\\computername", &key),
              0);
}

TEST_F(ComputerNameTest, InvalidRegistryValues) {
    struct Case {
        const char* what;
        std::uint32_t type;
        std::string bytes;
        int rc;
    };
    const Case cases[] = {
        {"16 characters", HV_REG_SZ, "ABCDEFGHIJKLMNOP", HV_ERROR_MORE_DATA},
        {"a DWORD", HV_REG_DWORD, std::string(4, '\1'), HV_ERROR_INVALID_DATA},
        {"15 characters", HV_REG_SZ, "ABCDEFGHIJKLMNO", 0},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(StoreRaw(c.type, c.bytes), 0);
        std::string name = "unchanged";
        EXPECT_EQ(ComputerName::Get(&name), c.rc) << c.what;
        if (c.rc != 0) {
            EXPECT_EQ(name, "unchanged");
        }
    }
    // An empty value counts as unset.
    ASSERT_EQ(StoreRaw(HV_REG_SZ, ""), 0);
    std::string name;
    ASSERT_EQ(ComputerName::Get(&name), 0);
    EXPECT_EQ(name, HostRule());
}

TEST_F(ComputerNameTest, AnUnusableValueIsReportedAndTheHostNameServes) {
    struct Case {
        const char* what;
        std::uint32_t type;
        std::string bytes;
    };
    const Case cases[] = {
        {"16 characters", HV_REG_SZ, "ABCDEFGHIJKLMNOP"},
        {"a DWORD", HV_REG_DWORD, std::string(4, '\1')},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(StoreRaw(c.type, c.bytes), 0);
        std::string name;
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(ComputerName::GetOrHostName(&name), 0) << c.what;
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(name, HostRule()) << c.what;
        EXPECT_NE(err.find("ComputerName"), std::string::npos) << c.what;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << c.what;
    }
    // A good value is taken without a word.
    ASSERT_EQ(ComputerName::Set("SYSB"), 0);
    std::string name;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(ComputerName::GetOrHostName(&name), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(name, "SYSB");
}

}  // namespace
