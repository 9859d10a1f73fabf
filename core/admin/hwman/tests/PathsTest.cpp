// The local figure's paths: records read into figures (bad ones skipped),
// insertion by priority, labels, the strict hit test, the poll's diff and
// its failure rule, line placement, selection, and the create and delete
// commands with their questions.
#include "HwmanFixture.h"

namespace hwman {
namespace {

using Op = panelaid::FakeConsoleDatabase::Op;
using panelaid::BoxAnswer;

class PathsTest : public HwmanFixture {
protected:
    void SetUp() override {
        db_.AddSystem("", "SYSA");
        db_.AddSystem("", "SYSB");
    }
    void Load() {
        doc_.OnNewDocument();
        doc_.Load();
    }
    CHWMANSystem& Local() { return *doc_.Local(); }
    CHWMANSystem* B() { return doc_.Find("SYSB"); }
    std::vector<int> Priorities() {
        std::vector<int> out;
        for (const auto& p : Local().Paths()) out.push_back(p->priority);
        return out;
    }
};

// A database whose path list the test writes record by record.
class RecordsDatabase : public panelaid::FakeConsoleDatabase {
public:
    using FakeConsoleDatabase::FakeConsoleDatabase;
    bool NetworkList(const char*, const char*, panelaid::Records* out) override {
        *out = records;
        return true;
    }
    panelaid::Records records;
};

std::string Record(std::vector<std::string> fields) {
    std::string r;
    for (std::size_t i = 0; i < fields.size(); ++i) r += (i ? "\x01" : "") + fields[i];
    return r;
}

TEST_F(PathsTest, PathsGoInByPriorityAndReadTheirLabels) {
    AddPath("SYSB", "TCPIP:2000", 'l', 5, "DEAD");
    AddPath("SYSB", "TCPIP", 'l', 10, "ALIVE");
    AddPath("SYSB", "/dev/ttyS0", 'y', 7, "UNKSTATE", 9600);
    AddPath("SYSB", "E:", 's', 10, "ALIVE");
    Load();
    EXPECT_EQ(Priorities(), (std::vector<int>{10, 10, 7, 5}));
    EXPECT_EQ(Labels(), (std::vector<std::string>{
                            "SYSB Socket - Port# 1500- Alive",
                            "SYSB Shared Disk - E:- Alive",
                            "SYSB Serial Port - /dev/ttyS0- UNKNOWN",
                            "SYSB Socket - Port# 2000- Dead",
                        }));
    EXPECT_EQ(Local().Paths()[2]->baud, 9600);
    EXPECT_EQ(Local().Paths()[3]->DatabaseDevice(), "TCPIP:2000");
}

TEST_F(PathsTest, BadRecordsAreSkippedAndTheRestIsRead) {
    RecordsDatabase db("SYSA");
    db.AddSystem("", "SYSA");
    db.AddSystem("", "SYSB");
    db.records = {
        Record({"SYSB", "TCPIP:2000", "TLI", "0", "", "", "ALIVE", "10", "6", "5"}),
        Record({"SYSB", "TCPIP:2010", "TLI", "0", "", "", "ALIVE", "10", "6"}),          // a field short
        Record({"SYSB", "TCPIP:2020", "TLI", "0", "", "", "ALIVE", "1x", "6", "5"}),     // priority
        Record({"SYSB", "TCPIP:2030", "FDP", "0", "", "", "ALIVE", "10", "6", "5"}),     // type
        Record({"SYSB", "/dev/ttyS1", "TTY", "fast", "", "", "ALIVE", "10", "6", "5"}),  // baud
        Record({"SYSB", "", "SCSI", "0", "", "", "ALIVE", "10", "6", "5"}),              // device
        Record({"SYSZ", "TCPIP:2040", "TLI", "0", "", "", "ALIVE", "10", "6", "5"}),     // unknown system
        Record({"SYSB", "/dev/ttyS0", "TTY", "19200", "", "", "DEAD", "20", "6", "5"}),
        "",
    };
    CHWMANDoc doc(FigureServices{db, boxes_, bar_, nullptr}, windows_, host_);
    doc.Load();
    ASSERT_EQ(doc.Local()->Paths().size(), 2u);
    EXPECT_EQ(doc.Local()->Paths()[0]->LabelText(), "Serial Port - /dev/ttyS0- Dead");
    EXPECT_EQ(doc.Local()->Paths()[1]->LabelText(), "Socket - Port# 2000- Alive");
    EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(PathsTest, ThreePathsSitAtQuartersAndTheHitTestIsStrict) {
    for (int i = 0; i < 3; ++i) AddPath("SYSB", "TCPIP:" + std::to_string(2000 + i), 'l', 10 - i);
    Load();
    // The local box spans y -80 .. -320 (240 tall).
    for (int k = 0; k < 3; ++k) {
        const CHWMANNetwork& p = *Local().Paths()[k];
        EXPECT_EQ(p.y1, -80 - (k + 1) * 60) << k;
        EXPECT_EQ(p.x1, 280);
        EXPECT_EQ(p.x2, 680);
    }
    EXPECT_TRUE(Local().Paths()[0]->focused) << "the first path takes the focus";

    CHWMANNetwork& p = *Local().Paths()[0];
    p.FitLabel({100, 20});
    // middle 480: hot 425 .. 535, y -140 .. -120
    EXPECT_EQ(p.hot, (LRect{425, -120, 535, -145}));
    EXPECT_TRUE(p.HitTest(480, -130));
    for (auto [x, y] : std::vector<std::pair<int, int>>{{425, -130}, {535, -130}, {480, -120}, {480, -145}})
        EXPECT_FALSE(p.HitTest(x, y)) << x << "," << y;
}

TEST_F(PathsTest, SeveralSystemsHangOnTheBusLine) {
    db_.AddSystem("", "SYSC");
    AddPath("SYSB", "TCPIP:2000", 'l', 10);
    AddPath("SYSC", "TCPIP:2010", 'l', 10);
    AddPath("SYSC", "TCPIP:2020", 'l', 9);
    Load();
    // Local box left 160: the bus at 210 from the local bottom (-320) down.
    const CHWMANSystem* c = doc_.Find("SYSC");
    EXPECT_EQ(Local().busX, 210);
    EXPECT_EQ(Local().busTop, -320);
    EXPECT_EQ(Local().busBottom, c->rect.top - 2 * (c->rect.Height() / 3));
    for (const auto& p : Local().Paths()) {
        EXPECT_EQ(p->x1, 210);
        EXPECT_EQ(p->x2, 600);
    }
    // With no system left the bus goes too.
    Local().Forget(B());
    Local().Forget(c);
    Local().PlaceLines();
    EXPECT_EQ(Local().busTop, Local().busBottom);
}

TEST_F(PathsTest, APollBringsNewChangedAndVanishedPaths) {
    AddPath("SYSB", "TCPIP:2000", 'l', 10, "DEAD");
    AddPath("SYSB", "TCPIP:2010", 'l', 9, "ALIVE");
    Load();
    EXPECT_FALSE(Local().PollPaths(B(), Services())) << "nothing changed";
    for (const auto& p : Local().Paths()) p->redraw = false;

    RemovePath("SYSB", "TCPIP:2000");
    AddPath("SYSB", "TCPIP:2000", 'l', 10, "ALIVE");
    EXPECT_FALSE(Local().PollPaths(B(), Services())) << "a status change is no structural change";
    EXPECT_EQ(Local().Paths()[0]->status, kPathAlive);
    EXPECT_TRUE(Local().Paths()[0]->redraw);

    RemovePath("SYSB", "TCPIP:2010");
    AddPath("SYSB", "/dev/ttyS0", 'y', 5, "DEAD", 9600);
    EXPECT_TRUE(Local().PollPaths(B(), Services()));
    EXPECT_EQ(Labels(), (std::vector<std::string>{"SYSB Socket - Port# 2000- Alive",
                                                  "SYSB Serial Port - /dev/ttyS0- Dead"}));
}

TEST_F(PathsTest, APollThatFailsChangesNothingAndOnlyNoMatchesRemovesTheSystem) {
    AddPath("SYSB", "TCPIP:2000", 'l', 10);
    Load();
    db_.FailNext(Op::NetworkList, 3, "lock timed out");
    EXPECT_FALSE(Local().PollPaths(B(), Services()));
    EXPECT_EQ(Labels().size(), 1u);
    EXPECT_EQ(db_.Calls(Op::SystemRemove), 0);
    EXPECT_EQ(db_.ErrorNumber(), 0) << "the failure is cleared";

    // Really no paths: the system still listed is removed from the database.
    RemovePath("SYSB", "TCPIP:2000");
    EXPECT_TRUE(Local().PollPaths(B(), Services()));
    EXPECT_TRUE(Labels().empty());
    EXPECT_EQ(db_.Calls(Op::SystemRemove), 1);
    EXPECT_FALSE(Local().IsConnected(B()));
    panelaid::Records systems;
    ASSERT_TRUE(db_.SystemList(nullptr, &systems));
    EXPECT_EQ(systems, std::vector<std::string>{"SYSA"});

    // Nothing left to drop: no change, and it says so.
    EXPECT_FALSE(Local().PollPaths(B(), Services()));
    EXPECT_EQ(bar_.Last(), "No Change In Holdervane Status");
}

TEST_F(PathsTest, ClicksAndKeysSelectAndFocusPaths) {
    AddPath("SYSB", "TCPIP:2000", 'l', 10, "ALIVE");
    AddPath("SYSB", "TCPIP:2010", 'l', 9, "UNKSTATE");
    AddPath("SYSB", "TCPIP:2020", 'l', 8, "DEAD");
    Load();
    auto& paths = Local().Paths();
    for (const auto& p : paths) p->FitLabel({100, 20});
    const auto centre = [](const CHWMANNetwork& p) { return std::pair<int, int>{(p.x1 + p.x2) / 2, p.y1 + 5}; };

    auto [ux, uy] = centre(*paths[1]);
    Local().ClickSelect(ux, uy, Services());
    EXPECT_EQ(beeps_, 1);
    EXPECT_EQ(bar_.Last(), "Cannot select a UNKNOWN comm path; Wait for status change");
    EXPECT_EQ(Local().SelectedPath(), nullptr);

    auto [x, y] = centre(*paths[2]);
    Local().ClickSelect(x, y, Services());
    EXPECT_EQ(Local().SelectedPath(), paths[2].get());
    EXPECT_EQ(Local().FocusedPath(), paths[2].get());
    EXPECT_EQ(bar_.Last(), "A Socket comm path has been selected.");
    Local().ClickSelect(x, y, Services());
    EXPECT_EQ(Local().SelectedPath(), nullptr);
    EXPECT_EQ(bar_.Last(), "Ready");

    Local().Key(kKeyDown, Services());
    EXPECT_EQ(beeps_, 2) << "the last path keeps the focus";
    Local().Key(kKeyUp, Services());
    EXPECT_EQ(Local().FocusedPath(), paths[1].get());
    EXPECT_EQ(bar_.Last(), "Press Space Bar to select the Comm Path.");
    Local().Key(kKeyUp, Services());
    Local().Key(kKeySpace, Services());
    EXPECT_EQ(Local().SelectedPath(), paths[0].get());
    Local().Key(kKeyDown, Services());
    Local().Key(kKeyUp, Services());
    EXPECT_EQ(bar_.Last(), "Ready") << "leaving the selected path's focus says Ready";
    Local().Key(kKeySpace, Services());
    EXPECT_EQ(Local().SelectedPath(), nullptr);
}

TEST_F(PathsTest, CreatingAPathToANewSystemDefinesItDead) {
    AddPath("SYSB", "TCPIP:1500", 'l', 99);
    Load();
    bool created = false;
    LRect repaint{1, 1, 2, 2};
    NewPath np{kSocket, "TCPIP:1510", 0, 94, 6, 5};
    ASSERT_EQ(doc_.CreatePath("SYSN", np, &created, &repaint), 1);
    EXPECT_TRUE(created);
    EXPECT_TRUE(repaint.Empty()) << "a first path repaints everything";
    CHWMANSystem* n = doc_.Find("SYSN");
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->state, SystemState::Dead);
    EXPECT_EQ(db_.SystemState(nullptr, "SYSN"), 'D');
    EXPECT_EQ(Names(), (std::vector<std::string>{"SYSA", "SYSB", "SYSN"}));
    EXPECT_EQ(Labels().back(), "SYSN Socket - Port# 1510- UNKNOWN");
    const auto texts = bar_.Texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Created SYSN system."), texts.end());
    EXPECT_EQ(bar_.Last(), "Created the Socket Comm Path to SYSN system.");

    // A second path to a known system repaints the band between the boxes.
    ASSERT_EQ(doc_.CreatePath("SYSB", {kSerialPort, "/dev/ttyS0", 9600, 69, 6, 5}, &created, &repaint), 1);
    EXPECT_FALSE(created);
    const CHWMANSystem* b = doc_.Find("SYSB");
    EXPECT_EQ(repaint, (LRect{Local().rect.right, Local().rect.top, b->rect.left, b->rect.bottom}));

    db_.FailNext(Op::NetworkCreate, 3, "lock");
    EXPECT_EQ(doc_.CreatePath("SYSB", np, &created, &repaint), 0);
    EXPECT_EQ(bar_.Last(), "Cannot Create Comm Path.\nTerminating Application");

    // A destination that cannot be defined gets no figure and says so.
    db_.FailNext(Op::SystemCreate, 3, "lock");
    EXPECT_EQ(doc_.CreatePath("SYSX", np, &created, &repaint), 0);
    EXPECT_FALSE(created);
    EXPECT_EQ(doc_.Find("SYSX"), nullptr);
    EXPECT_EQ(bar_.Last(), "Cannot Create Comm Path.\nTerminating Application");
}

TEST_F(PathsTest, DeleteAsksTwiceForTheHighestPriorityAndRemovesTheLastSystem) {
    AddPath("SYSB", "TCPIP:2000", 'l', 10);
    AddPath("SYSB", "TCPIP:2010", 'l', 5);
    Load();
    LRect repaint;
    EXPECT_EQ(doc_.DeleteSelectedPath(&repaint), -1) << "nothing selected";

    Local().Paths()[0]->selected = true;
    boxes_.Answer(BoxAnswer::No);
    EXPECT_EQ(doc_.DeleteSelectedPath(&repaint), -1);
    EXPECT_EQ(boxes_.Shown().back().text,
              "Delete Communication Path:  Socket - TCPIP:2000\nFrom System:  SYSA\nTo System:  SYSB\n");
    boxes_.Answer(BoxAnswer::Yes);
    boxes_.Answer(BoxAnswer::No);
    EXPECT_EQ(doc_.DeleteSelectedPath(&repaint), -1);
    EXPECT_EQ(boxes_.Shown().back().text,
              "Deleting Highest Priority Communication Path is not Recommended.\n\nAre you sure you want to delete "
              "commpath?");
    EXPECT_EQ(Labels().size(), 2u);

    // The lower one: one question.
    Local().Paths()[0]->selected = false;
    Local().Paths()[1]->selected = true;
    const std::size_t shown = boxes_.Shown().size();
    boxes_.Answer(BoxAnswer::Yes);
    EXPECT_EQ(doc_.DeleteSelectedPath(&repaint), 1);
    EXPECT_EQ(boxes_.Shown().size(), shown + 1);
    EXPECT_EQ(Labels(), std::vector<std::string>{"SYSB Socket - Port# 2000- Alive"});
    EXPECT_EQ(bar_.Last(), "Deleted Socket Comm path.");

    // The last path to a system with an equivalency keeps the system.
    db_.AddEquivalency("", "SYSA", "h1", "SYSB", "h1");
    Local().Paths()[0]->selected = true;
    boxes_.Answer(BoxAnswer::Yes);
    boxes_.Answer(BoxAnswer::Yes);
    EXPECT_EQ(doc_.DeleteSelectedPath(&repaint), 1);
    EXPECT_EQ(boxes_.Shown().back().text, "Cannot remove destination system because of existing equivalency.");
    EXPECT_EQ(Names(), (std::vector<std::string>{"SYSA", "SYSB"}));
    EXPECT_EQ(db_.Calls(Op::SystemRemove), 0);
}

TEST_F(PathsTest, DeletingTheLastPathRemovesTheSystemUnlessTheDatabaseRefuses) {
    AddPath("SYSB", "TCPIP:2000", 'l', 10);
    Load();
    Local().Paths()[0]->selected = true;
    db_.FailNext(Op::NetworkRemove, 3, "lock");
    boxes_.Answer(BoxAnswer::Yes);
    boxes_.Answer(BoxAnswer::Yes);
    LRect repaint;
    EXPECT_EQ(doc_.DeleteSelectedPath(&repaint), 0);
    EXPECT_EQ(bar_.Last(), "Error Removing Comm Path");
    EXPECT_EQ(beeps_, 1);
    EXPECT_EQ(Labels().size(), 1u);

    boxes_.Answer(BoxAnswer::Yes);
    boxes_.Answer(BoxAnswer::Yes);
    EXPECT_EQ(doc_.DeleteSelectedPath(&repaint), 1);
    EXPECT_EQ(Names(), std::vector<std::string>{"SYSA"});
    EXPECT_EQ(bar_.Last(), "Removed SYSB.");
    panelaid::Records systems;
    ASSERT_TRUE(db_.SystemList(nullptr, &systems));
    EXPECT_EQ(systems, std::vector<std::string>{"SYSA"});
}

}  // namespace
}  // namespace hwman
