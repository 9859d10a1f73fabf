// The view's decisions (repaints, scrolling the focused tree into sight, the
// Tree commands) and the console's spec for the shell.
#include "AppstatParts.h"
#include "AppstatSpec.h"
#include "CAPPSTATView.h"
#include "FakeLauncher.h"

#include <gtest/gtest.h>

namespace appstat {
namespace {

class RecordingSurface : public ViewSurface {
public:
    void RepaintRect(const Rect& r) override { rects.push_back(r); }
    void RepaintAll() override { ++all; }
    void SetScrollSizes(int w, int h) override { size = {w, h}; }
    Rect Visible() const override { return visible; }
    void ScrollTo(int x, int y) override {
        scrolls.push_back({x, y});
        visible = visible.Moved(x - visible.left, y - visible.top);
    }

    std::vector<Rect> rects;
    int all = 0;
    std::pair<int, int> size;
    Rect visible{0, 0, 400, 300};
    std::vector<std::pair<int, int>> scrolls;
};

class View : public testing::Test, protected AppstatParts {
protected:
    void Open(int trees) {
        for (int i = 0; i < trees; ++i) AddHierarchy("t" + std::to_string(i), "ISP", "OSU");
        doc = std::make_unique<CAPPSTATDoc>(Services(), host);
        doc->OnNewDocument();
        doc->Load();
        view = std::make_unique<CAPPSTATView>(*doc, surface);
        view->OnInitialUpdate();
    }

    RecordingSurface surface;
    std::unique_ptr<CAPPSTATDoc> doc;
    std::unique_ptr<CAPPSTATView> view;
};

TEST_F(View, UpdateRepaintsAllOnANewLayoutElseOnlyWhatChanged) {
    Open(3);
    EXPECT_EQ(surface.size, (std::pair<int, int>{635, 1175}));
    view->OnUpdate();
    EXPECT_EQ(surface.all, 1) << "after the load";
    doc->Refresh();  // nothing changed: the size test clears the layout flag
    db.SetInstanceState("SYSB", "t1", "ISP");
    doc->Refresh();
    surface.rects.clear();
    view->OnUpdate();
    EXPECT_EQ(surface.all, 1);
    ASSERT_FALSE(surface.rects.empty());
    EXPECT_EQ(surface.rects.front(), doc->Trees()[1]->Box()) << "the tree whose state moved";
}

TEST_F(View, FocusedTreeScrollsIntoSightOnlyWhenHidden) {
    Open(25);
    // (0,0) (1,0) ... the focus starts on the first tree, then walks right.
    view->OnKeyUp(ViewKey::Right);
    view->OnKeyUp(ViewKey::Right);
    view->OnKeyUp(ViewKey::Right);
    EXPECT_TRUE(surface.scrolls.empty()) << "(2,0) shows in 400 x 300";
    view->OnKeyUp(ViewKey::Right);
    view->OnKeyUp(ViewKey::Right);
    // (3,0) at x = 50 + 3 * 117 ends past 400: scrolled along the row to
    // its hit rectangle less the margin; (4,0) then shows.
    ASSERT_EQ(surface.scrolls.size(), 1u);
    EXPECT_EQ(surface.scrolls[0], (std::pair<int, int>{401 - 4 - 50, 0}));
    EXPECT_EQ(surface.all, 1);
    view->OnKeyUp(ViewKey::Right);
    EXPECT_EQ(host.beeps, 1) << "no sixth column";
    view->OnKeyUp(ViewKey::Down);
    ASSERT_EQ(surface.scrolls.size(), 2u);
    EXPECT_EQ(surface.scrolls[1], (std::pair<int, int>{347, 275 - 4 - 50}));
    view->OnKeyUp(ViewKey::Left);
    EXPECT_EQ(surface.scrolls.size(), 2u) << "(3,1) shows";
    view->OnKeyUp(ViewKey::Space);
    EXPECT_EQ(surface.scrolls.size(), 2u);
    EXPECT_TRUE(doc->FocusedTree()->Selected());
}

TEST_F(View, ZoomKeysRepaintEverythingWithoutScrolling) {
    Open(2);
    view->OnKeyUp(ViewKey::ZoomOut);
    EXPECT_EQ(doc->Zoom(), 90);
    EXPECT_EQ(surface.all, 1);
    view->OnKeyUp(ViewKey::Other);
    EXPECT_EQ(surface.all, 1);
    EXPECT_TRUE(surface.scrolls.empty());
}

TEST_F(View, DoubleClickSelectsAndToggles) {
    Open(2);
    const Rect box = doc->Trees()[1]->Box();
    view->OnDoubleClick(box.left + 2, box.top + 2);
    EXPECT_TRUE(doc->Trees()[1]->Selected());
    EXPECT_FALSE(doc->Trees()[1]->Expanded());
    EXPECT_TRUE(view->TreeCommandEnabled(TreeCommand::Expand));
    EXPECT_FALSE(view->TreeCommandEnabled(TreeCommand::Collapse));
    view->RunTreeCommand(TreeCommand::Expand);
    EXPECT_TRUE(doc->Trees()[1]->Expanded());
    EXPECT_FALSE(doc->Trees()[1]->Selected());
    EXPECT_FALSE(view->TreeCommandEnabled(TreeCommand::ExpandAll));
    EXPECT_TRUE(view->TreeCommandEnabled(TreeCommand::CollapseAll));
}

// The shell as the console's spec makes it: help contexts, the Tree
// commands' hooks and enabling, the toolbar.
class NullShellHost : public panelaid::ShellHost {
public:
    bool ArmRefreshTimer() override { return true; }
    void Beep() override {}
    void ShowStatus(const std::string&) override {}
    bool ModalOpen() const override { return false; }
    void EndProgram() override {}
};

TEST(ConsoleSpec, HelpContextsFromTheTable) {
    AppstatParts parts;
    panelaid::FakeLauncher launcher;
    NullShellHost host;
    const panelaid::ShellSpec spec = MakeAppstatSpec({[](TreeCommand) {}, [](TreeCommand) { return true; }});
    panelaid::ShellFrame frame(spec, panelaid::ShellServices{parts.db, parts.boxes, launcher, [] { return 1; },
                                                              [](bool) { return 1; }},
                               host);
    const std::pair<int, int> cases[] = {{0x20080, 500},  {0x18003, 2005}, {0x18006, 2005}, {0x1E141, 2005},
                                         {0x1800E, 2011}, {0x1E801, 2010}, {0x1E140, 2012}, {0x1EF05, 500},
                                         {0x12345, 500}};
    for (const auto& [id, context] : cases) EXPECT_EQ(frame.HelpContext(id), context) << std::hex << id;
    frame.ShowSibling(spec.menus[1].items[1].sibling);
    EXPECT_EQ(launcher.siblings, std::vector<std::string>{"HIERMAN hierman"});
}

TEST_F(View, TreeMenuRunsTheViewsCommandsAndAsksItsEnabling) {
    Open(2);
    const panelaid::ShellSpec spec =
        MakeAppstatSpec({[this](TreeCommand c) { view->RunTreeCommand(c); },
                         [this](TreeCommand c) { return view->TreeCommandEnabled(c); }});
    EXPECT_EQ(spec.title, "Holdervane: Application Status");
    const auto& tree = spec.menus.at(0).items;
    ASSERT_EQ(tree.at(3).id, kCommandCollapseAll);
    EXPECT_TRUE(tree[3].enabled());
    EXPECT_FALSE(tree[2].enabled()) << "Expand All with every tree expanded";
    tree[3].run();
    EXPECT_FALSE(doc->AnyExpanded());
    EXPECT_TRUE(tree[2].enabled());
    EXPECT_EQ(tree[0].prompt, "Expand the selected application tree(s).\nExpand");
    EXPECT_EQ(spec.toolbar.size(), 10u);
    EXPECT_EQ(spec.toolbar.back(), panelaid::kContextHelpCommand);
}

}  // namespace
}  // namespace appstat
