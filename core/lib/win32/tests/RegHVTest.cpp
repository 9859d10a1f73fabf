#include "RegHV.h"
#include "platform/RegistryValueFile.h"
#include "platform/Win32Error.h"
#include "platform/tests/TempSystemDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using portlib::DWORD;
using namespace portlib::platform;

class RegHVTest : public hvtest::SystemDirTest {
protected:
    std::string SectionDir(const char* section) const {
        return sys_.Path() + "/registry/hkey_local_machine/software/vexa/holdervane/" + section;
    }
    // A listing into a buffer of `size` bytes (pre-filled with '#').
    int List(const char* section, DWORD size, std::string* bytes, DWORD* outSize = nullptr, DWORD* type = nullptr) {
        std::string buf(size + 1, '#');
        DWORD n = size;
        int rc = portlib::RegHVGetStr(section, nullptr, buf.data(), &n, type);
        buf.resize(size);
        *bytes = buf;
        if (outSize) *outSize = n;
        return rc;
    }
};

TEST_F(RegHVTest, RoundTripsOfEachType) {
    ASSERT_EQ(portlib::RegHVSetStr("General", "RootDir", "/opt/holdervane", portlib::HV_REG_SZ), 0);
    ASSERT_EQ(portlib::RegHVSetInt("General", "BaseShutDownPriority", -7), 0);
    const portlib::BYTE blob[] = {0, 1, 2, 0xFF};
    ASSERT_EQ(portlib::RegHVSetVal("General", "Blob", blob, sizeof blob, portlib::HV_REG_BINARY), 0);
    const char multi[] = "one\0two\0";
    ASSERT_EQ(portlib::RegHVSetVal("General", "List", reinterpret_cast<const portlib::BYTE*>(multi), 8,
                                   portlib::HV_REG_MULTI_SZ),
              0);

    char buf[128];
    DWORD size = sizeof buf, type = 0;
    ASSERT_EQ(portlib::RegHVGetStr("General", "RootDir", buf, &size, &type), 0);
    EXPECT_STREQ(buf, "/opt/holdervane");
    EXPECT_EQ(size, 16u);
    EXPECT_EQ(type, portlib::HV_REG_SZ);

    int err = -1;
    EXPECT_EQ(portlib::RegHVGetInt("General", "BaseShutDownPriority", &err), -7);
    EXPECT_EQ(err, 0);

    size = sizeof buf;
    ASSERT_EQ(portlib::RegHVGetStr("General", "Blob", buf, &size, &type), 0);
    EXPECT_EQ(size, sizeof blob);
    EXPECT_EQ(std::memcmp(buf, blob, sizeof blob), 0);
    EXPECT_EQ(type, portlib::HV_REG_BINARY);

    size = sizeof buf;
    ASSERT_EQ(portlib::RegHVGetStr("General", "List", buf, &size, &type), 0);
    EXPECT_EQ(std::string(buf, size), std::string("one\0two\0\0", 9));
    EXPECT_EQ(type, portlib::HV_REG_MULTI_SZ);
}

TEST_F(RegHVTest, StringsAreStoredWithoutTerminatorAndReadBackTerminated) {
    ASSERT_EQ(portlib::RegHVSetStr("General", "Name", "abcd", portlib::HV_REG_SZ), 0);
    RegistryValueFile file;
    ASSERT_EQ(file.Read(SectionDir("general") + "/name.val"), 0);
    EXPECT_EQ(file.data, "abcd");  // 4 bytes: no terminator stored
    struct Case {
        DWORD room;
        int rc;
        DWORD sizeOut;
    };
    const Case cases[] = {{5, 0, 5}, {64, 0, 5}, {4, HV_ERROR_MORE_DATA, 5}, {0, HV_ERROR_MORE_DATA, 5}};
    for (const auto& c : cases) {
        char buf[65];
        std::memset(buf, '#', sizeof buf);
        DWORD size = c.room;
        EXPECT_EQ(portlib::RegHVGetStr("General", "Name", buf, &size, nullptr), c.rc) << c.room;
        EXPECT_EQ(size, c.sizeOut) << c.room;
        if (c.rc == 0) {
            EXPECT_STREQ(buf, "abcd");
        }
    }
}

TEST_F(RegHVTest, MissingThings) {
    char buf[16];
    DWORD size = sizeof buf;
    EXPECT_EQ(portlib::RegHVGetStr("General", "RootDir", buf, &size, nullptr), HV_ERROR_FILE_NOT_FOUND);  // no product key
    ASSERT_EQ(portlib::RegHVSetStr("General", "X", "1", portlib::HV_REG_SZ), 0);
    size = sizeof buf;
    EXPECT_EQ(portlib::RegHVGetStr("Absent", "RootDir", buf, &size, nullptr), HV_ERROR_FILE_NOT_FOUND);
    size = sizeof buf;
    EXPECT_EQ(portlib::RegHVGetStr("General", "RootDir", buf, &size, nullptr), HV_ERROR_FILE_NOT_FOUND);
}

TEST_F(RegHVTest, GetIntAcceptsOnlyAFourByteDword) {
    ASSERT_EQ(portlib::RegHVSetInt("General", "Number", 1234), 0);
    ASSERT_EQ(portlib::RegHVSetStr("General", "Text", "1234", portlib::HV_REG_SZ), 0);
    const portlib::BYTE two[] = {1, 2};
    ASSERT_EQ(portlib::RegHVSetVal("General", "Short", two, 2, portlib::HV_REG_DWORD), 0);
    struct Case {
        const char* section;
        const char* key;
        int value;
        int err;
    };
    const Case cases[] = {
        {"General", "Number", 1234, 0},
        {"General", "Text", 0, HV_ERROR_INVALID_DATA},
        {"General", "Short", 0, HV_ERROR_INVALID_DATA},
        {"General", "Missing", 0, HV_ERROR_INVALID_DATA},
        {"NoSection", "Number", 0, HV_ERROR_FILE_NOT_FOUND},
    };
    for (const auto& c : cases) {
        int err = -1;
        EXPECT_EQ(portlib::RegHVGetInt(c.section, c.key, &err), c.value) << c.key;
        EXPECT_EQ(err, c.err) << c.section << "/" << c.key;
    }
    EXPECT_EQ(portlib::RegHVGetInt("General", "Number", nullptr), 1234);
}

TEST_F(RegHVTest, ListingResults) {
    ASSERT_EQ(portlib::RegHVSetStr("Sec", "a", "1", portlib::HV_REG_SZ), 0);
    ASSERT_EQ(portlib::RegHVSetStr("Sec", "b", "2", portlib::HV_REG_SZ), 0);
    struct Case {
        DWORD size;
        int rc;
        std::string bytes;  // the buffer afterwards ('#' untouched)
        DWORD sizeOut;
    };
    const Case cases[] = {
        {16, HV_ERROR_NO_MORE_ITEMS, std::string("a\0b\0\0", 5) + std::string(11, '#'), 5},
        {5, HV_ERROR_NO_MORE_ITEMS, std::string("a\0b\0\0", 5), 5},  // exactly enough: complete
        {4, HV_ERROR_MORE_DATA, std::string("a\0\0#", 4), 4},         // "b" did not fit
        {3, HV_ERROR_NOT_ENOUGH_MEMORY, std::string("a\0\0", 3), 3},  // ran out exactly
        {1, HV_ERROR_NOT_ENOUGH_MEMORY, std::string("\0", 1), 1},
        {0, HV_ERROR_NOT_ENOUGH_MEMORY, "", 0},
    };
    for (const auto& c : cases) {
        std::string bytes;
        DWORD out = 0, type = 0;
        EXPECT_EQ(List("Sec", c.size, &bytes, &out, &type), c.rc) << c.size;
        EXPECT_EQ(bytes, c.bytes) << c.size;
        EXPECT_EQ(out, c.sizeOut) << c.size;
        EXPECT_EQ(type, portlib::HV_REG_MULTI_SZ);
    }
    // Sections, and a section without values.
    ASSERT_EQ(portlib::RegHVSetVal("Empty", "x", nullptr, 0, portlib::HV_REG_BINARY), 0);
    ASSERT_EQ(portlib::RegHVDelVal("Empty", "x"), 0);
    std::string bytes;
    DWORD out = 0;
    EXPECT_EQ(List(nullptr, 32, &bytes, &out), HV_ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(bytes.substr(0, out), std::string("Empty\0Sec\0\0", 11));
    EXPECT_EQ(List("Empty", 8, &bytes, &out), HV_ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(out, 1u);
    EXPECT_EQ(bytes[0], '\0');
}

TEST_F(RegHVTest, DeleteForms) {
    EXPECT_EQ(portlib::RegHVDelVal("Sec", "a"), HV_ERROR_FILE_NOT_FOUND);  // no product key yet
    ASSERT_EQ(portlib::RegHVSetStr("Sec", "a", "1", portlib::HV_REG_SZ), 0);
    ASSERT_EQ(portlib::RegHVSetStr("Sec", "b", "2", portlib::HV_REG_SZ), 0);
    // A name longer than 127 characters is deleted like any other.
    std::string longName(200, 'L');
    ASSERT_EQ(portlib::RegHVSetStr("Sec", longName.c_str(), "3", portlib::HV_REG_SZ), 0);
    ASSERT_EQ(portlib::RegHVSetStr("Other", "c", "3", portlib::HV_REG_SZ), 0);

    EXPECT_EQ(portlib::RegHVDelVal("Sec", "A"), 0);
    EXPECT_EQ(portlib::RegHVDelVal("Sec", "a"), HV_ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(portlib::RegHVDelVal("Missing", "a"), HV_ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(portlib::RegHVDelVal("Sec", nullptr), 0);                       // deleted two
    EXPECT_EQ(portlib::RegHVDelVal("Sec", nullptr), HV_ERROR_NO_MORE_ITEMS);  // nothing left
    EXPECT_EQ(portlib::RegHVDelVal(nullptr, nullptr), 0);                     // every section
    EXPECT_EQ(portlib::RegHVDelVal(nullptr, nullptr), HV_ERROR_NO_MORE_ITEMS);
    char buf[8];
    DWORD size = sizeof buf;
    EXPECT_EQ(portlib::RegHVGetStr("Other", "c", buf, &size, nullptr), HV_ERROR_FILE_NOT_FOUND);
}

TEST_F(RegHVTest, SetCreatesASectionThatWasDeletedMeanwhile) {
    ASSERT_EQ(portlib::RegHVSetStr("Gone", "a", "1", portlib::HV_REG_SZ), 0);
    ASSERT_EQ(portlib::RegHVDelVal(nullptr, nullptr), 0);
    ASSERT_EQ(portlib::RegHVSetStr("Gone", "a", "2", portlib::HV_REG_SZ), 0);
    char buf[8];
    DWORD size = sizeof buf;
    ASSERT_EQ(portlib::RegHVGetStr("Gone", "a", buf, &size, nullptr), 0);
    EXPECT_STREQ(buf, "2");
}

TEST_F(RegHVTest, TwoProcessesWritingOneSectionLoseNothing) {
    constexpr int kValues = 50;
    int ok = hvtest::RunTogether(2, [](int w) {
        for (int i = 0; i < kValues; ++i) {
            std::string name = hvtest::StepName("p", w, "v", i);
            if (portlib::RegHVSetStr("Shared", name.c_str(), name.c_str(), portlib::HV_REG_SZ) != 0) return 1;
            if (portlib::RegHVSetInt("Shared", "Counter", w * 1000 + i) != 0) return 2;
        }
        return 0;
    });
    ASSERT_EQ(ok, 2);
    for (int w = 0; w < 2; ++w) {
        for (int i = 0; i < kValues; ++i) {
            std::string name = hvtest::StepName("p", w, "v", i);
            char buf[16];
            DWORD size = sizeof buf;
            ASSERT_EQ(portlib::RegHVGetStr("Shared", name.c_str(), buf, &size, nullptr), 0) << name;
            EXPECT_EQ(std::string(buf), name);
        }
    }
    int err = -1;
    int last = portlib::RegHVGetInt("Shared", "Counter", &err);
    EXPECT_EQ(err, 0);
    EXPECT_TRUE(last == kValues - 1 || last == 1000 + kValues - 1) << last;
    std::string bytes;
    DWORD out = 0;
    EXPECT_EQ(List("Shared", 4096, &bytes, &out), HV_ERROR_NO_MORE_ITEMS);
    int names = 0;
    for (DWORD i = 0; i + 1 < out; ++i)
        if (bytes[i] == '\0') ++names;
    EXPECT_EQ(names, 2 * kValues + 1);
}

TEST_F(RegHVTest, NullRequiredArgumentsStopTheProcess) {
    DWORD size = 4;
    char buf[4];
    EXPECT_DEATH(portlib::RegHVGetStr("General", "x", nullptr, &size, nullptr), "buf != NULL");
    EXPECT_DEATH(portlib::RegHVGetStr("General", "x", buf, nullptr, nullptr), "pBufSize != NULL");
    EXPECT_DEATH(portlib::RegHVGetInt(nullptr, "x", nullptr), "section != NULL");
    EXPECT_DEATH(portlib::RegHVSetStr("General", "x", nullptr, portlib::HV_REG_SZ), "val != NULL");
}

}  // namespace
