// Loading a recovery kit for one call: the status for every way it can go,
// and the library gone from the process afterwards.
#include "KitLoader.h"
#include "ScriptFixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace panelaid {
namespace {

class KitLoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* kit : {"testkit", "createkit", "nocapkit", "noentrykit"}) Install(kit, kit);
        // A file that is no library, under a kit's name.
        std::filesystem::create_directories(root_.Path() + "/admin/kit/junk");
        std::ofstream(root_.Path() + "/admin/kit/junk/junk.so") << "not an ELF file\n";
    }
    void Install(const std::string& kit, const std::string& built) {
        const std::string dir = root_.Path() + "/admin/kit/" + kit;
        std::filesystem::create_directories(dir);
        std::filesystem::create_symlink(std::string(HV_TEST_KIT_DIR) + "/" + built + ".so", dir + "/" + kit + ".so");
    }
    RecoveryKitControlBlock Run(const std::string& kit, KitOperation op, const std::string& how = "") {
        RecoveryKitControlBlock b;
        b.m_kit = kit;
        b.m_machine = how;
        b.m_status = 99;
        KitLoader::Run(root_.Path(), &b, op);
        return b;
    }
    static bool Mapped(const std::string& name) {
        std::ifstream maps("/proc/self/maps");
        std::stringstream s;
        s << maps.rdbuf();
        return s.str().find(name) != std::string::npos;
    }
    ScriptRoot root_;
};

TEST_F(KitLoaderTest, StatusForEveryOutcome) {
    struct Case {
        const char* kit;
        KitOperation op;
        const char* how;
        int status;
        const char* resultTag;
    };
    const Case cases[] = {
        {"testkit", KitOperation::Create, "", 1, "created"},
        {"testkit", KitOperation::Enumerate, "", 1, "picked"},
        {"testkit", KitOperation::Create, "cancel", 2, ""},
        {"testkit", KitOperation::Create, "set1-return0", 4, ""},   // the loader overrides the kit
        {"testkit", KitOperation::Enumerate, "untouched", 0, ""},  // stays 0
        {"testkit", KitOperation::Create, "throw", 4, ""},
        {"createkit", KitOperation::Create, "", 1, "created"},
        {"createkit", KitOperation::Enumerate, "", 5, ""},          // not offered: no entry called
        {"missing", KitOperation::Create, "", 3, ""},
        {"nocapkit", KitOperation::Create, "", 3, ""},
        {"noentrykit", KitOperation::Enumerate, "", 3, ""},
        {"junk", KitOperation::Create, "", 3, ""},
        {"", KitOperation::Create, "", 3, ""},
        {"..", KitOperation::Create, "", 3, ""},
        {"../kit/testkit", KitOperation::Create, "", 3, ""},
    };
    for (const Case& c : cases) {
        const RecoveryKitControlBlock b = Run(c.kit, c.op, c.how);
        EXPECT_EQ(b.m_status, c.status) << c.kit << " " << c.how;
        EXPECT_EQ(b.m_resultTag, c.resultTag) << c.kit << " " << c.how;
    }
}

TEST_F(KitLoaderTest, TheKitIsUnloadedAfterEachCallAndLoadedAfresh) {
    ASSERT_FALSE(Mapped("testkit.so"));
    EXPECT_EQ(Run("testkit", KitOperation::Create).m_status, 1);
    EXPECT_FALSE(Mapped("testkit.so"));
    EXPECT_EQ(Run("testkit", KitOperation::Create, "throw").m_status, 4);
    EXPECT_FALSE(Mapped("testkit.so"));
    EXPECT_EQ(Run("createkit", KitOperation::Enumerate).m_status, 5);
    EXPECT_FALSE(Mapped("createkit.so"));
    EXPECT_EQ(Run("nocapkit", KitOperation::Create).m_status, 3);
    EXPECT_FALSE(Mapped("nocapkit.so"));
    EXPECT_EQ(KitLoader::LibraryPath("/r", "db"), "/r/admin/kit/db/db.so");
}

}  // namespace
}  // namespace panelaid
