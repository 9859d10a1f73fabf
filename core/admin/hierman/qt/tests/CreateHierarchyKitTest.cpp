// Create Hierarchy in the offscreen console: the worker has the GUI thread
// load a real recovery kit and make its create call, and the kit's outcome
// decides what the console says.
#include "ConsoleActions.h"
#include "HiermanMainWindow.h"
#include "QtTestApp.h"
#include "ScriptFixture.h"

#include "FakeConsoleParts.h"
#include "FakeScriptRunner.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace hierman {
namespace {

TEST(ConsoleActions, CreateHierarchyLoadsTheKitOnTheGuiThreadWhileTheWorkerWaits) {
    panelaid::TestApp();
    panelaid::ScriptRoot root;
    const std::string dir = root.Path() + "/admin/kit/testkit";
    std::filesystem::create_directories(dir);
    std::filesystem::create_symlink(std::string(HV_TEST_KIT_DIR) + "/testkit.so", dir + "/testkit.so");
    FakeConsoleParts parts;
    parts.db.SetRootDir(root.Path());
    parts.db.AddSystem("", "SYSA");
    panelaid::FakeScriptRunner kitList;
    HiermanMainWindow window(parts.Services(),
                             FrameServices{parts.boxes, [] { return 1; }, [](bool) { return 0; }, [] { return false; }},
                             [] { return 1; }, kitList);
    window.show();
    window.OpenSystem("SYSA");
    struct Case {
        const char* kit;
        std::size_t boxes;
    } cases[] = {{"testkit", 0}, {"nosuch", 1}};
    for (const Case& c : cases) {
        const std::size_t before = parts.boxes.Shown().size();
        window.Actions().CreateHierarchy(c.kit);
        ASSERT_EQ(parts.boxes.Shown().size() - before, c.boxes) << c.kit;
        if (c.boxes != 0) EXPECT_EQ(parts.boxes.Shown().back().text, "Error! Unable to create hierarchy");
        EXPECT_FALSE(window.Frame().Busy());
    }
}

}  // namespace
}  // namespace hierman
