// Create Dependency and Delete Dependency: what is refused before any
// dialog, and the two database changes, the backup's only after the first.
#include "ActionFixture.h"

namespace hierman {
namespace {

using panelaid::BoxAnswer;
using Op = panelaid::FakeConsoleDatabase::Op;
using Strings = std::vector<std::string>;

class DependencyActions : public ActionFixture {
protected:
    void SetUp() override {
        ActionFixture::SetUp();
        db.AddSystem("SYSA", "SYSC", 'A');
        db.AddSystem("SYSA", "SYSD", 'D');
        for (const char* tag : {"A1", "A2", "kid", "R1", "C1", "D1", "D2", "N1"}) AddPair(tag, "ISP", "ISP");
        AddPair("O1", "OSU", "OSU");
        db.SetInstanceState("SYSB", "R1", "OSU");
        Depend("A1", "kid");
        for (const char* tag : {"A1", "A2", "O1", "R1"}) BackedUp(tag);
        db.AddEquivalency("SYSA", "SYSA", "C1", "SYSC", "C1");
        db.AddEquivalency("SYSA", "SYSA", "D1", "SYSD", "D1");
        db.AddEquivalency("SYSA", "SYSA", "D2", "SYSD", "D2");
        Open();
        Expand("A1");
    }
    // Selects the tags; the first becomes the parent through the focus mark.
    void Pick(const Strings& tags) {
        view->ClearFocusMark();
        for (const std::string& tag : tags) Select(tag);
        if (!tags.empty()) view->FindCell(tags.front())->focusMark = true;
    }
    void ClearSelection() {
        while (CMatrixCell* cell = view->NthSelected(0)) cell->selected = false;
    }
};

TEST_F(DependencyActions, CreateIsRefusedBeforeTheDialogWithTheReason) {
    struct Case {
        Strings picked;
        std::string refusal;
    } cases[] = {
        {{"A1"}, "Must select two resources"},
        {{"A1", "A2", "C1"}, "Only two resources may be selected"},
        {{"A1", "kid"}, "Resources must be in separate hierarchies"},
        {{"A1", "C1"}, "Resources have different secondaries"},
        {{"D1", "D2"}, "Backup is Out of Service"},
        {{"A1", "O1"}, "Child is not InService"},
        {{"A1", "R1"}, "Child is not InService on remote system"},
        {{"A1", "N1"}, "N1 has no Secondary"},
    };
    for (const Case& c : cases) {
        Pick(c.picked);
        actions->Run(kCmdCreateDependency);
        EXPECT_EQ(BoxTexts().back(), c.refusal) << c.picked.size() << " " << c.picked.back();
        ClearSelection();
    }
    EXPECT_TRUE(host.confirms.empty());
    EXPECT_EQ(db.Calls(Op::DependencyCreate), 0);
    EXPECT_EQ(bar.Last(), "Ready");
}

TEST_F(DependencyActions, TheFocusedResourceBecomesTheParentAndBothDatabasesChange) {
    // A2 is focused: it becomes the parent whichever was selected first.
    Pick({"A2", "A1"});
    actions->Run(kCmdCreateDependency);
    EXPECT_EQ(host.confirms, (Strings{"Dependency Create | A2 -> A1"}));
    panelaid::Records children;
    ASSERT_TRUE(db.DependencyList("SYSA", "A2", panelaid::Relation::Children, &children));
    ASSERT_TRUE(db.DependencyList("SYSB", "A2", panelaid::Relation::Children, &children));
    EXPECT_EQ(RecordField(children.front(), 2), "A1");
    EXPECT_EQ(view->NthSelected(0), nullptr);
    EXPECT_EQ(host.refreshes, 1);
}

TEST_F(DependencyActions, TheBackupIsChangedOnlyAfterTheViewsOwnDatabaseChanged) {
    // The first database refuses; Abort ends the retries and the backup is
    // left alone.
    db.FailNext(Op::DependencyCreate, 5, "locked");
    Answer(BoxAnswer::Abort);
    Pick({"A1", "A2"});
    actions->Run(kCmdCreateDependency);
    EXPECT_EQ(db.Calls(Op::DependencyCreate), 1);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_NE(BoxTexts()[0].find("dep_create(CP(uname)"), std::string::npos);
    // Retry after a failure goes on to the backup.
    db.FailNext(Op::DependencyCreate, 5, "locked");
    Answer(BoxAnswer::Retry);
    Pick({"A1", "A2"});
    actions->Run(kCmdCreateDependency);
    EXPECT_EQ(db.Calls(Op::DependencyCreate), 1 + 3);
}

TEST_F(DependencyActions, DeleteTakesOnlyAParentAndItsChild) {
    Pick({"A1", "A2"});
    actions->Run(kCmdDeleteDependency);
    EXPECT_EQ(BoxTexts().back(), "parent and child are not related");
    ClearSelection();
    Pick({"A1"});
    actions->Run(kCmdDeleteDependency);
    EXPECT_EQ(BoxTexts().back(), "Must select two resources");
    ClearSelection();
    EXPECT_TRUE(host.confirms.empty());

    Pick({"A1", "kid"});
    actions->Run(kCmdDeleteDependency);
    EXPECT_EQ(host.confirms, (Strings{"Dependency Delete | A1 -> kid"}));
    panelaid::Records children;
    EXPECT_FALSE(db.DependencyList("SYSA", "A1", panelaid::Relation::Children, &children));
    EXPECT_FALSE(db.DependencyList("SYSB", "A1", panelaid::Relation::Children, &children));
    db.ClearError();
    EXPECT_EQ(view->NthSelected(0), nullptr);
}

}  // namespace
}  // namespace hierman
