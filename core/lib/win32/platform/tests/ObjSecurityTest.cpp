#include "platform/ObjSecurity.h"
#include "platform/RegistryStore.h"
#include "platform/Win32Error.h"
#include "platform/tests/AdminGroupSetting.h"
#include "platform/tests/TempSystemDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace portlib::platform;

namespace {

class ObjSecurityTest : public hvtest::SystemDirTest {};

TEST_F(ObjSecurityTest, AdminGroupConfiguration) {
    struct Case {
        const char* what;
        std::string value;
        std::uint32_t type;
        int rc;
        bool hasGroup;
        gid_t gid;
    };
    const Case cases[] = {
        {"by number", "4321", HV_REG_SZ, 0, true, 4321},
        {"by name", "root", HV_REG_SZ, 0, true, 0},
        {"unknown name", "no-such-group-hv", HV_REG_SZ, HV_ERROR_NONE_MAPPED, false, 0},
        {"not a string", std::string(4, '\0'), HV_REG_DWORD, HV_ERROR_INVALID_DATA, false, 0},
        {"empty", "", HV_REG_SZ, 0, false, 0},
    };
    ObjSecurity none;
    ASSERT_EQ(none.Load(), 0);  // nothing configured
    EXPECT_FALSE(none.hasAdminGroup);
    EXPECT_EQ(none.owner, ::geteuid());
    for (const auto& c : cases) {
        ASSERT_EQ(hvtest::SetAdminGroup(c.value, c.type), 0);
        ObjSecurity s;
        EXPECT_EQ(s.Load(), c.rc) << c.what;
        if (c.rc != 0) continue;
        EXPECT_EQ(s.hasAdminGroup, c.hasGroup) << c.what;
        if (c.hasGroup) {
            EXPECT_EQ(s.adminGroup, c.gid) << c.what;
        }
    }
}

TEST(ObjSecurityCheck, WhoIsAnAdministrator) {
    ObjSecurity s;
    s.owner = 1000;
    s.hasAdminGroup = true;
    s.adminGroup = 4000;
    struct Case {
        uid_t uid;
        gid_t gid;
        bool admin;
    };
    const Case cases[] = {
        {0, 99, true},        // root
        {1000, 99, true},     // the owner
        {2000, 4000, true},   // primary group is the admin group
        {2000, 99, false},    // anyone else
        {65534, 65534, false},
    };
    for (const auto& c : cases) EXPECT_EQ(s.IsAdministrator(c.uid, c.gid), c.admin) << c.uid << "/" << c.gid;
    s.hasAdminGroup = false;
    EXPECT_FALSE(s.IsAdministrator(2000, 4000));
}

TEST(ObjSecurityCheck, SupplementaryMembershipCounts) {
    // Find a group with a listed member who has a password entry.
    setgrent();
    struct group* g;
    uid_t memberUid = 0;
    gid_t groupGid = 0, primary = 0;
    bool found = false;
    while (!found && (g = getgrent()) != nullptr) {
        for (char** m = g->gr_mem; m && *m && !found; ++m) {
            struct passwd* pw = getpwnam(*m);
            if (pw && pw->pw_uid != 0 && pw->pw_gid != g->gr_gid) {
                memberUid = pw->pw_uid;
                primary = pw->pw_gid;
                groupGid = g->gr_gid;
                found = true;
            }
        }
    }
    endgrent();
    if (!found) GTEST_SKIP() << "no supplementary group membership on this machine";
    ObjSecurity s;
    s.owner = 12345;
    s.hasAdminGroup = true;
    s.adminGroup = groupGid;
    EXPECT_TRUE(s.IsAdministrator(memberUid, primary));
}

TEST_F(ObjSecurityTest, ApplyGivesModesAndTheAdminGroup) {
    ::umask(077);
    std::string dir = sys_.Path() + "/objdir";
    std::string file = sys_.Path() + "/objfile";
    ASSERT_EQ(::mkdir(dir.c_str(), 0700), 0);
    int fd = ::open(file.c_str(), O_CREAT | O_RDWR, 0600);
    ASSERT_GE(fd, 0);
    ObjSecurity s;
    ASSERT_EQ(s.Load(), 0);
    s.hasAdminGroup = ::geteuid() == 0;  // only root may give any group
    s.adminGroup = 4321;
    EXPECT_EQ(s.Apply(dir.c_str()), 0);
    EXPECT_EQ(s.Apply(fd), 0);
    ::close(fd);
    struct stat st {};
    ASSERT_EQ(::stat(dir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0770u);
    if (s.hasAdminGroup) {
        EXPECT_EQ(st.st_gid, 4321u);
    }
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0660u);
    if (s.hasAdminGroup) {
        EXPECT_EQ(st.st_gid, 4321u);
    }
    EXPECT_EQ(s.Apply((sys_.Path() + "/missing").c_str()), ENOENT);
}

}  // namespace
