#include "platform/RegistryStore.h"
#include "platform/RegistryValueFile.h"
#include "platform/Win32Error.h"
#include "platform/tests/TempSystemDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <vector>

using namespace portlib::platform;

namespace {

constexpr const char* kGeneral = "SOFTWARE\\Vexa\\Holdervane\\General";

class RegistryStoreTest : public hvtest::SystemDirTest {
protected:
    RegKey Create(const char* path = kGeneral) {
        RegKey key;
        EXPECT_EQ(RegistryStore::CreateKey(RegHive::LocalMachine, path, &key), 0);
        return key;
    }
    static int Set(const RegKey& key, const char* name, std::uint32_t type, const std::string& bytes) {
        return RegistryStore::SetValue(key, name, type, reinterpret_cast<const unsigned char*>(bytes.data()),
                                       static_cast<std::uint32_t>(bytes.size()));
    }
    static int Get(const RegKey& key, const char* name, std::uint32_t* type, std::string* bytes,
                   std::uint32_t room = 256) {
        std::vector<unsigned char> buf(room + 1, 0xEE);
        std::uint32_t size = room;
        int rc = RegistryStore::QueryValue(key, name, type, buf.data(), &size);
        if (rc == 0) bytes->assign(reinterpret_cast<char*>(buf.data()), size);
        return rc;
    }
    std::vector<std::string> ValueNames(const RegKey& key) {
        std::vector<std::string> names;
        for (std::uint32_t i = 0;; ++i) {
            char name[300];
            std::uint32_t size = sizeof name;
            int rc = RegistryStore::EnumValue(key, i, name, &size);
            if (rc == HV_ERROR_NO_MORE_ITEMS) break;
            EXPECT_EQ(rc, 0);
            if (rc != 0) break;
            EXPECT_EQ(size, std::strlen(name));
            names.emplace_back(name);
        }
        return names;
    }
    std::string GeneralDir() const { return sys_.Path() + "/registry/hkey_local_machine/software/vexa/holdervane/general"; }
};

TEST_F(RegistryStoreTest, EachTypeRoundTripsAndStringsComeBackTerminated) {
    struct Case {
        const char* name;
        std::uint32_t type;
        std::string stored;
        std::string readBack;
    };
    const Case cases[] = {
        {"RootDir", HV_REG_SZ, "/opt/hv", std::string("/opt/hv\0", 8)},
        {"Terminated", HV_REG_SZ, std::string("abc\0", 4), std::string("abc\0", 4)},
        {"Empty", HV_REG_SZ, "", std::string("\0", 1)},
        {"Path", HV_REG_EXPAND_SZ, "%ROOT%/x", std::string("%ROOT%/x\0", 9)},
        {"Blob", HV_REG_BINARY, std::string("\x00\x01\xff\x00", 4), std::string("\x00\x01\xff\x00", 4)},
        {"Count", HV_REG_DWORD, std::string("\x2a\x00\x00\x00", 4), std::string("\x2a\x00\x00\x00", 4)},
        {"List", HV_REG_MULTI_SZ, std::string("a\0bc\0", 5), std::string("a\0bc\0\0", 6)},
        {"ListNoEnd", HV_REG_MULTI_SZ, std::string("a\0bc", 4), std::string("a\0bc\0\0", 6)},
    };
    RegKey key = Create();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(Set(key, c.name, c.type, c.stored), 0);
        std::uint32_t type = 0;
        std::string back;
        ASSERT_EQ(Get(key, c.name, &type, &back), 0);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(back, c.readBack);
        // The file keeps the bytes as given, and the caller's spelling.
        RegistryValueFile file;
        std::string folded;
        for (char ch : std::string(c.name)) folded.push_back(static_cast<char>(std::tolower(ch)));
        ASSERT_EQ(file.Read(GeneralDir() + "/" + folded + ".val"), 0);
        EXPECT_EQ(file.data, c.stored);
        EXPECT_EQ(file.name, c.name);
    }
}

TEST_F(RegistryStoreTest, QueryFollowsTheNtSizeRules) {
    RegKey key = Create();
    ASSERT_EQ(Set(key, "Name", HV_REG_SZ, "abcd"), 0);
    // Size only.
    std::uint32_t size = 0, type = 0;
    ASSERT_EQ(RegistryStore::QueryValue(key, "Name", &type, nullptr, &size), 0);
    EXPECT_EQ(size, 5u);
    // Room for the text but not its terminator: 234, needed size reported, buffer untouched.
    unsigned char buf[8];
    std::memset(buf, 'x', sizeof buf);
    size = 4;
    EXPECT_EQ(RegistryStore::QueryValue(key, "Name", &type, buf, &size), HV_ERROR_MORE_DATA);
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(buf[0], 'x');
    size = 5;
    ASSERT_EQ(RegistryStore::QueryValue(key, "Name", &type, buf, &size), 0);
    EXPECT_STREQ(reinterpret_cast<char*>(buf), "abcd");
    // Data without a size is refused.
    EXPECT_EQ(RegistryStore::QueryValue(key, "Name", &type, buf, nullptr), HV_ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryStoreTest, NamesAreCaseInsensitiveAndKeepTheirSpelling) {
    RegKey key = Create();
    ASSERT_EQ(Set(key, "RootDir", HV_REG_SZ, "/a"), 0);
    RegKey other;
    ASSERT_EQ(RegistryStore::OpenKey(RegHive::LocalMachine, "software\\VEXA\\holdervane\\GENERAL", &other), 0);
    std::uint32_t type = 0;
    std::string back;
    ASSERT_EQ(Get(other, "ROOTDIR", &type, &back), 0);
    EXPECT_STREQ(back.c_str(), "/a");
    // Rewriting under another spelling replaces the one value.
    ASSERT_EQ(Set(other, "rootdir", HV_REG_SZ, "/b"), 0);
    EXPECT_EQ(ValueNames(key), std::vector<std::string>{"rootdir"});
    // The key's first spelling is what enumeration shows.
    RegKey product;
    ASSERT_EQ(RegistryStore::OpenKey(RegHive::LocalMachine, kProductKey, &product), 0);
    char name[64];
    std::uint32_t size = sizeof name;
    ASSERT_EQ(RegistryStore::EnumKey(product, 0, name, &size), 0);
    EXPECT_STREQ(name, "General");
}

TEST_F(RegistryStoreTest, UnusualNamesMapToDistinctFiles) {
    RegKey key = Create();
    // A value named like a key, one with separators and dots, the default value.
    const char* names[] = {"Sub", "a/b\\c", "x.val", ".lock", "", "Grüße"};
    for (const char* n : names) ASSERT_EQ(Set(key, n, HV_REG_SZ, std::string("v:") + n), 0) << n;
    RegKey sub;
    ASSERT_EQ(RegistryStore::CreateKey(key, "Sub", &sub), 0);
    for (const char* n : names) {
        std::uint32_t type = 0;
        std::string back;
        ASSERT_EQ(Get(key, n, &type, &back), 0) << n;
        EXPECT_STREQ(back.c_str(), (std::string("v:") + n).c_str());
    }
    EXPECT_EQ(ValueNames(key).size(), std::size(names));
    // The lock file is still the store's own.
    struct stat st {};
    ASSERT_EQ(::stat((GeneralDir() + "/.lock").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 0);
}

TEST_F(RegistryStoreTest, MissingThingsAndBadPaths) {
    RegKey key;
    struct Case {
        const char* path;
        int rc;
    };
    const Case opens[] = {
        {"SOFTWARE\\Nothing", HV_ERROR_FILE_NOT_FOUND},
        {"SOFTWARE\\\\Vexa", HV_ERROR_INVALID_PARAMETER},
        {"SOFTWARE\\", HV_ERROR_INVALID_PARAMETER},
    };
    for (const auto& c : opens) EXPECT_EQ(RegistryStore::OpenKey(RegHive::LocalMachine, c.path, &key), c.rc) << c.path;
    std::string longName(300, 'k');
    EXPECT_EQ(RegistryStore::CreateKey(RegHive::LocalMachine, longName.c_str(), &key), HV_ERROR_FILENAME_EXCED_RANGE);

    RegKey general = Create();
    std::uint32_t type = 0, size = 0;
    EXPECT_EQ(RegistryStore::QueryValue(general, "Absent", &type, nullptr, &size), HV_ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegistryStore::DeleteValue(general, "Absent"), HV_ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Set(general, std::string(300, 'v').c_str(), HV_REG_SZ, "x"), HV_ERROR_FILENAME_EXCED_RANGE);
}

TEST_F(RegistryStoreTest, EnumerationEndsWith259AndReportsShortBuffers) {
    RegKey key = Create();
    ASSERT_EQ(Set(key, "Beta", HV_REG_DWORD, std::string(4, '\0')), 0);
    ASSERT_EQ(Set(key, "alpha", HV_REG_SZ, "x"), 0);
    RegKey sub;
    ASSERT_EQ(RegistryStore::CreateKey(key, "Child", &sub), 0);
    EXPECT_EQ(ValueNames(key), (std::vector<std::string>{"alpha", "Beta"}));
    char name[8];
    std::uint32_t size = 4;  // "alpha" needs 6
    EXPECT_EQ(RegistryStore::EnumValue(key, 0, name, &size), HV_ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);
    size = sizeof name;
    std::uint32_t type = 0;
    ASSERT_EQ(RegistryStore::EnumValue(key, 1, name, &size, &type), 0);
    EXPECT_EQ(type, HV_REG_DWORD);
    size = sizeof name;
    EXPECT_EQ(RegistryStore::EnumValue(key, 2, name, &size), HV_ERROR_NO_MORE_ITEMS);
    size = sizeof name;
    ASSERT_EQ(RegistryStore::EnumKey(key, 0, name, &size), 0);
    EXPECT_STREQ(name, "Child");
    size = sizeof name;
    EXPECT_EQ(RegistryStore::EnumKey(key, 1, name, &size), HV_ERROR_NO_MORE_ITEMS);
}

TEST_F(RegistryStoreTest, DeletingKeys) {
    RegKey general = Create();
    RegKey child;
    ASSERT_EQ(RegistryStore::CreateKey(general, "Child\\Grandchild", &child), 0);
    ASSERT_EQ(Set(child, "v", HV_REG_SZ, "x"), 0);
    RegKey product;
    ASSERT_EQ(RegistryStore::OpenKey(RegHive::LocalMachine, kProductKey, &product), 0);
    // A key with subkeys stays, as on NT.
    EXPECT_EQ(RegistryStore::DeleteKey(product, "General"), HV_ERROR_ACCESS_DENIED);
    // A path to the key works; its values go with it.
    EXPECT_EQ(RegistryStore::DeleteKey(general, "child\\GRANDCHILD"), 0);
    EXPECT_EQ(RegistryStore::DeleteKey(general, "Child\\Grandchild"), HV_ERROR_FILE_NOT_FOUND);
    // A handle to a deleted key: writing through it is refused, not silently lost.
    EXPECT_EQ(Set(child, "w", HV_REG_SZ, "y"), HV_ERROR_KEY_DELETED);
    EXPECT_EQ(RegistryStore::DeleteKey(general, "Child"), 0);
    EXPECT_EQ(RegistryStore::DeleteKey(product, "General"), 0);
    EXPECT_FALSE(std::filesystem::exists(GeneralDir()));
}

TEST_F(RegistryStoreTest, FilesHaveTheSystemModesAndNoTemporariesRemain) {
    ::umask(022);
    RegKey key = Create();
    for (int i = 0; i < 5; ++i) ASSERT_EQ(Set(key, "V", HV_REG_SZ, std::to_string(i)), 0);
    struct stat st {};
    ASSERT_EQ(::stat(GeneralDir().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0770u);
    ASSERT_EQ(::stat((GeneralDir() + "/v.val").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0660u);
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(GeneralDir())) files.push_back(e.path().filename());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{".lock", ".name", "v.val"}));
}

TEST_F(RegistryStoreTest, ADamagedValueFileIsReportedNotTrusted) {
    RegKey key = Create();
    ASSERT_EQ(Set(key, "Good", HV_REG_SZ, "x"), 0);
    // Lengths in the header that claim more than the file holds.
    std::string bad = std::string("HVRV") + std::string("\x01\0\0\0", 4) + std::string("\xff\xff\0\0", 4) +
                      std::string("\x10\0\0\0", 4) + "bad";
    FILE* f = std::fopen((GeneralDir() + "/bad.val").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bad.data(), 1, bad.size(), f);
    std::fclose(f);
    std::uint32_t type = 0;
    std::string back;
    EXPECT_EQ(Get(key, "Bad", &type, &back), HV_ERROR_REGISTRY_IO_FAILED);
    // Still listed (under its folded name), so it can be deleted.
    EXPECT_EQ(ValueNames(key), (std::vector<std::string>{"bad", "Good"}));
    EXPECT_EQ(RegistryStore::DeleteValue(key, "BAD"), 0);
}

TEST_F(RegistryStoreTest, TwoProcessesWritingOneKeyLoseNothing) {
    constexpr int kWriters = 4;
    constexpr int kValues = 40;
    int ok = hvtest::RunTogether(kWriters, [](int w) {
        for (int i = 0; i < kValues; ++i) {
            // Each writer creates the key itself: creation races as well.
            RegKey key;
            if (RegistryStore::CreateKey(RegHive::LocalMachine, kGeneral, &key) != 0) return 1;
            std::string name = hvtest::StepName("w", w, "_", i);
            std::string shared = std::to_string(w);
            if (RegistryStore::SetValue(key, name.c_str(), HV_REG_SZ, reinterpret_cast<const unsigned char*>(name.data()),
                                        static_cast<std::uint32_t>(name.size())) != 0)
                return 2;
            if (RegistryStore::SetValue(key, "Shared", HV_REG_SZ, reinterpret_cast<const unsigned char*>(shared.data()),
                                        static_cast<std::uint32_t>(shared.size())) != 0)
                return 3;
        }
        return 0;
    });
    ASSERT_EQ(ok, kWriters);
    RegKey key;
    ASSERT_EQ(RegistryStore::OpenKey(RegHive::LocalMachine, kGeneral, &key), 0);
    EXPECT_EQ(ValueNames(key).size(), static_cast<std::size_t>(kWriters * kValues + 1));
    for (int w = 0; w < kWriters; ++w) {
        for (int i = 0; i < kValues; ++i) {
            std::string name = hvtest::StepName("w", w, "_", i);
            std::uint32_t type = 0;
            std::string back;
            ASSERT_EQ(Get(key, name.c_str(), &type, &back), 0) << name;
            EXPECT_STREQ(back.c_str(), name.c_str());
        }
    }
    std::uint32_t type = 0;
    std::string shared;
    ASSERT_EQ(Get(key, "Shared", &type, &shared), 0);
    EXPECT_EQ(shared.size(), 2u);  // one writer's digit, whole
}

}  // namespace
