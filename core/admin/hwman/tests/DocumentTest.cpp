// The hardware document: loading with the local system first, the layout
// for one, two and three systems, the extents and zoom, the refresh and its
// change test, and the shutdown strategy.
#include "HwmanFixture.h"

namespace hwman {
namespace {

using Op = panelaid::FakeConsoleDatabase::Op;

class DocumentTest : public HwmanFixture {};

TEST_F(DocumentTest, TheLocalSystemComesFirstWhateverItsPlaceInStorage) {
    db_.AddSystem("", "SYSB");
    db_.AddSystem("", "SYSA");
    db_.AddSystem("", "SYSC");
    doc_.OnNewDocument();
    doc_.Reload();
    EXPECT_EQ(Names(), (std::vector<std::string>{"SYSA", "SYSB", "SYSC"}));
    EXPECT_EQ(doc_.Local()->state, SystemState::Alive);
    EXPECT_EQ(host_.hints, std::vector<int>{kHintSystems});
    EXPECT_EQ(doc_.Local()->Connected().size(), 2u);
}

TEST_F(DocumentTest, ALoadWithoutASystemsListSaysSoAndLeavesThePictureEmpty) {
    db_.FailNext(Op::SystemList, 3, "lock");
    doc_.Reload();
    EXPECT_TRUE(doc_.Systems().empty());
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_EQ(boxes_.Shown()[0].text,
              "There appears to be a problem with your Holdervane systems list.  Please stop then restart Holdervane.");
    EXPECT_TRUE(host_.aborts.empty());
}

TEST_F(DocumentTest, LayoutForOneTwoAndThreeSystems) {
    struct Box {
        const char* name;
        LRect rect;
    };
    struct Case {
        std::vector<const char*> others;
        std::vector<Box> boxes;
        int height;
    };
    // Zoom 80: one or two systems 140 wide and 240 tall; three in a column.
    const Case cases[] = {
        {{}, {{"SYSA", {140, -80, 280, -320}}}, 1200},
        {{"SYSB"}, {{"SYSA", {140, -80, 280, -320}}, {"SYSB", {680, -80, 820, -320}}}, 1200},
        {{"SYSB", "SYSC"},
         {{"SYSA", {160, -80, 480, -320}}, {"SYSB", {600, -440, 760, -680}}, {"SYSC", {600, -760, 760, -1000}}},
         1100},
    };
    for (const Case& c : cases) {
        panelaid::FakeConsoleDatabase db("SYSA");
        db.AddSystem("", "SYSA");
        for (const char* o : c.others) db.AddSystem("", o);
        CHWMANDoc doc(FigureServices{db, boxes_, bar_, nullptr}, windows_, host_);
        doc.OnNewDocument();
        doc.Load();
        ASSERT_EQ(doc.Systems().size(), c.boxes.size());
        for (std::size_t i = 0; i < c.boxes.size(); ++i) {
            EXPECT_EQ(doc.Systems()[i]->Name(), c.boxes[i].name);
            EXPECT_EQ(doc.Systems()[i]->rect, c.boxes[i].rect) << c.boxes[i].name;
        }
        EXPECT_EQ(doc.Width(), 1200);
        EXPECT_EQ(doc.Height(), c.height);
    }
}

TEST_F(DocumentTest, SixPathsMakeTheBoxesFortyTallerAndFourPathsGrowAColumnBox) {
    db_.AddSystem("", "SYSA");
    db_.AddSystem("", "SYSB");
    for (int i = 0; i < 6; ++i) AddPath("SYSB", "TCPIP:" + std::to_string(1500 + 10 * i), 'l', 90 - i);
    doc_.OnNewDocument();
    doc_.Load();
    EXPECT_EQ(doc_.Local()->rect.Height(), 240 + 40);
    EXPECT_EQ(doc_.Systems()[1]->rect.Height(), 240 + 40);
    EXPECT_TRUE(doc_.ExtentsChanged());

    // Three systems: a column box grows by the zoom for each path past three.
    db_.AddSystem("", "SYSC");
    doc_.Load();
    EXPECT_EQ(doc_.Systems()[1]->rect.Height(), 240 + 3 * 80);
    EXPECT_EQ(doc_.Systems()[2]->rect.top, doc_.Systems()[1]->rect.bottom - 80);
}

TEST_F(DocumentTest, TheWidthOnlyGrowsAndTheHeightShrinksToNoLessThan1200) {
    doc_.OnNewDocument();
    struct Step {
        int right, bottom, width, height;
        bool changed;
    };
    const Step steps[] = {
        {2000, 500, 2200, 1200, true},   {100, 100, 2200, 1200, false}, {100, 1500, 2200, 1650, true},
        {100, 1600, 2200, 1650, false},  {100, 200, 2200, 1200, true},
    };
    for (const Step& s : steps) {
        doc_.UpdateExtents(s.right, s.bottom);
        EXPECT_EQ(doc_.Width(), s.width) << s.right << "," << s.bottom;
        EXPECT_EQ(doc_.Height(), s.height) << s.right << "," << s.bottom;
        EXPECT_EQ(doc_.ExtentsChanged(), s.changed) << s.right << "," << s.bottom;
    }
}

TEST_F(DocumentTest, ZoomKeysStayWithin40And80AndAStoredZoomMustBeOneOfThem) {
    doc_.OnNewDocument();
    EXPECT_EQ(doc_.Zoom(), 80);
    const std::pair<int, int> keys[] = {{kKeyAdd, 0}, {kKeySubtract, 1}, {kKeySubtract, 1}, {kKeySubtract, 0},
                                        {kKeyAdd, 1}};
    const int zooms[] = {80, 60, 40, 40, 60};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(doc_.ZoomKey(keys[i].first), keys[i].second) << i;
        EXPECT_EQ(doc_.Zoom(), zooms[i]) << i;
    }
    doc_.Closing();
    doc_.OnNewDocument();
    EXPECT_EQ(doc_.Zoom(), 60) << "the zoom is kept across starts";

    for (std::uint32_t stored : {55u, 100u, 0xFFFFFFD8u, 0u}) {
        store_.WriteNumber("HWMAN", "Zoom", stored);
        doc_.OnNewDocument();
        EXPECT_EQ(doc_.Zoom(), 80) << stored;
    }
    store_.WriteText("HWMAN", "Zoom", "40");
    doc_.OnNewDocument();
    EXPECT_EQ(doc_.Zoom(), 80) << "a text value is no zoom";
}

TEST_F(DocumentTest, ARefreshRunsOnlyWhenAStampOrTheSystemSetChanged) {
    db_.AddSystem("", "SYSA");
    db_.AddSystem("", "SYSB");
    AddPath("SYSB", "TCPIP:2000", 'l', 10, "DEAD");
    doc_.OnNewDocument();
    doc_.Reload();
    const int lists = db_.Calls(Op::NetworkList);
    doc_.Refresh();
    doc_.Refresh();
    EXPECT_EQ(db_.Calls(Op::NetworkList), lists) << "an unchanged database is only asked for stamps";
    EXPECT_EQ(host_.hints.size(), 1u);
    EXPECT_EQ(bar_.Last(), "Ready");

    // The path comes alive: only the stamp tells.
    RemovePath("SYSB", "TCPIP:2000");
    AddPath("SYSB", "TCPIP:2000", 'l', 10, "ALIVE");
    doc_.Refresh();
    EXPECT_GT(db_.Calls(Op::NetworkList), lists);
    EXPECT_EQ(Labels(), std::vector<std::string>{"SYSB Socket - Port# 2000- Alive"});
    ASSERT_EQ(host_.hints.size(), 2u);
    const auto texts = bar_.Texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Updating window from current Holdervane status."), texts.end());

    // A system removed from the database leaves the picture with hint 2.
    db_.AddSystem("", "SYSC");
    doc_.Refresh();
    EXPECT_EQ(Names(), (std::vector<std::string>{"SYSA", "SYSB", "SYSC"}));
    EXPECT_EQ(host_.hints.back(), kHintSystems);
    ASSERT_EQ(db_.SystemRemove(nullptr, "SYSC"), 0);
    doc_.Refresh();
    EXPECT_EQ(Names(), (std::vector<std::string>{"SYSA", "SYSB"}));
    EXPECT_EQ(host_.hints.back(), kHintSystems);

    db_.SetInitializing(true);
    ASSERT_EQ(db_.Sync(nullptr), 0);
    RemovePath("SYSB", "TCPIP:2000");
    AddPath("SYSB", "TCPIP:2000", 'l', 10, "DEAD");
    doc_.Refresh();
    EXPECT_EQ(bar_.Last(), kInitializing);
}

TEST_F(DocumentTest, AFigureTheListDoesNotNameGoesAtTheNextRefreshThoughNoStampMoved) {
    db_.AddSystem("", "SYSA");
    db_.AddSystem("", "SYSB");
    AddPath("SYSB", "TCPIP:2000", 'l', 10);
    doc_.Reload();
    doc_.Refresh();
    doc_.Refresh();
    const std::size_t views = host_.hints.size();

    doc_.Append(std::make_unique<CHWMANSystem>("SYSX", Services()));
    doc_.Refresh();
    EXPECT_EQ(Names(), (std::vector<std::string>{"SYSA", "SYSB"}));
    ASSERT_EQ(host_.hints.size(), views + 1);
    EXPECT_EQ(host_.hints.back(), kHintSystems);
}

TEST_F(DocumentTest, AFailedSystemsListAtRefreshKeepsThePicture) {
    db_.AddSystem("", "SYSA");
    db_.AddSystem("", "SYSB");
    AddPath("SYSB", "TCPIP:2000", 'l', 10);
    doc_.Reload();
    db_.FailNext(Op::SystemList, 3, "lock", 3);
    doc_.Refresh();
    EXPECT_EQ(Names(), (std::vector<std::string>{"SYSA", "SYSB"}));
    EXPECT_EQ(Labels().size(), 1u);
}

TEST_F(DocumentTest, TheShutdownStrategyCreatesAndRemovesTheFlag) {
    host_.answer = 1;
    doc_.ShutdownStrategy();
    EXPECT_EQ(db_.FlagTest(nullptr, kShutdownFlag), 1);
    EXPECT_EQ(host_.initials.back(), 0);

    host_.answer = -1;  // OK without a click keeps Switchover
    const int syncs = db_.Calls(Op::Sync);
    doc_.ShutdownStrategy();
    EXPECT_EQ(host_.initials.back(), 1);
    EXPECT_EQ(db_.Calls(Op::Sync), syncs);

    host_.answer = 0;
    host_.ok = false;
    doc_.ShutdownStrategy();
    EXPECT_EQ(db_.FlagTest(nullptr, kShutdownFlag), 1) << "Cancel changes nothing";
    host_.ok = true;
    db_.FailNext(Op::FlagRemove, 3, "lock");
    doc_.ShutdownStrategy();
    EXPECT_EQ(beeps_, 1);
    EXPECT_EQ(db_.FlagTest(nullptr, kShutdownFlag), 1);
    doc_.ShutdownStrategy();
    EXPECT_EQ(db_.FlagTest(nullptr, kShutdownFlag), 0);
    EXPECT_EQ(db_.Calls(Op::Sync), syncs + 1);
}

}  // namespace
}  // namespace hwman
