#include "platform/SystemDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

using namespace portlib::platform;

namespace {

struct EnvGuard {
    explicit EnvGuard(const char* value) {
        const char* old = std::getenv("HV_SYSTEM_DIR");
        had_ = old != nullptr;
        if (had_) old_ = old;
        if (value) setenv("HV_SYSTEM_DIR", value, 1); else unsetenv("HV_SYSTEM_DIR");
    }
    ~EnvGuard() { if (had_) setenv("HV_SYSTEM_DIR", old_.c_str(), 1); else unsetenv("HV_SYSTEM_DIR"); }
    bool had_ = false;
    std::string old_;
};

}  // namespace

TEST(SystemDir, ResolvesAreasBelowTheConfiguredDirectory) {
    struct Case { const char* env; SysArea area; const char* expect; };
    const Case cases[] = {
        {nullptr, SysArea::Root, "/var/lib/holdervane"},
        {"", SysArea::Pipe, "/var/lib/holdervane/run/pipe"},
        {"/tmp/s1", SysArea::Registry, "/tmp/s1/registry"},
        {"/tmp/s1/", SysArea::Pipe, "/tmp/s1/run/pipe"},
        {"/tmp/s1", SysArea::Shm, "/tmp/s1/run/shm"},
        {"/tmp/s1", SysArea::Sync, "/tmp/s1/run/sync"},
        {"/tmp/s1", SysArea::Log, "/tmp/s1/log"},
    };
    for (const auto& c : cases) {
        EnvGuard g(c.env);
        EXPECT_EQ(SystemPath(c.area), c.expect) << (c.env ? c.env : "(unset)");
    }
}

TEST(SystemDir, EnsureCreatesTheTreeWithGroupAccess) {
    char tmpl[] = "/tmp/hvsdXXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    std::string root = std::string(tmpl) + "/sys";
    EnvGuard g(root.c_str());
    std::string path;
    ASSERT_EQ(EnsureSystemPath(SysArea::Pipe, &path), 0);
    EXPECT_EQ(path, root + "/run/pipe");
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    // Second call on an existing tree is success too.
    EXPECT_EQ(EnsureSystemPath(SysArea::Pipe), 0);
    std::filesystem::remove_all(tmpl);
}
