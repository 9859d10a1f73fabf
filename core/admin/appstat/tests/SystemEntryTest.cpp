// A tree's row for one system: its state from the local database's view of
// the system and the system's own record, at construction and on refresh.
#include "AppstatParts.h"
#include "CAPPSTATSystem.h"

#include <gtest/gtest.h>

namespace appstat {
namespace {

struct EntryCase {
    char letter;          // the local database's view of SYSB
    const char* record;   // SYSB's record of the tag; "" none
    char laterLetter;
    const char* laterRecord;
    SystemState created;
    SystemState refreshed;
};

class SystemEntry : public testing::TestWithParam<EntryCase>, protected AppstatParts {
protected:
    void Put(char letter, const std::string& record) {
        db.AddSystem("", "SYSB", letter);
        db.RemoveInstance("SYSB", "app");
        if (!record.empty()) AddInstance("SYSB", "app", record);
    }
};

TEST_P(SystemEntry, StateAtConstructionAndRefresh) {
    const EntryCase& c = GetParam();
    Put(c.letter, c.record);
    CAPPSTATSystem entry(db, "SYSB", "app");
    EXPECT_EQ(entry.State(), c.created);
    EXPECT_TRUE(entry.NeedsRepaint());
    Put(c.laterLetter, c.laterRecord);
    entry.UpdateState("app");
    EXPECT_EQ(entry.State(), c.refreshed);
}

constexpr SystemState A = SystemState::Active, S = SystemState::Standby, D = SystemState::Down,
                      U = SystemState::Unknown;

INSTANTIATE_TEST_SUITE_P(Cases, SystemEntry, testing::Values(
    // Alive: the record's word decides; an unknown word or no record says nothing new.
    EntryCase{'A', "ISP", 'A', "OSU", A, S},
    EntryCase{'A', "OSU", 'A', "OSF", S, D},
    EntryCase{'A', "OSF", 'A', "ISP", D, A},
    EntryCase{'A', "ISP", 'A', "", A, A},
    EntryCase{'A', "ISU", 'A', "ISU", U, U},
    EntryCase{'A', "ISP", 'A', "ISU", A, A},
    EntryCase{'A', "", 'A', "", U, U},
    // Down wins over whatever the system's own database says.
    EntryCase{'D', "ISP", 'D', "ISP", D, D},
    EntryCase{'D', "", 'A', "", D, D},
    EntryCase{'A', "ISP", 'D', "", A, D},
    EntryCase{'A', "ISP", 'D', "OSU", A, D},
    // Unknown: without a record it says so; with one it keeps the last state.
    EntryCase{'U', "ISP", 'U', "ISP", U, U},
    EntryCase{'A', "ISP", 'U', "", A, U},
    EntryCase{'A', "OSU", 'U', "ISP", S, S}));

TEST(SystemEntryRepaint, MarkFollowsWhetherTheStateMoved) {
    AppstatParts parts;
    parts.AddInstance("SYSB", "app", "ISP");
    CAPPSTATSystem entry(parts.db, "SYSB", "app");
    entry.UpdateState("app");
    EXPECT_FALSE(entry.NeedsRepaint()) << "the same state again";
    parts.db.SetInstanceState("SYSB", "app", "OSU");
    entry.UpdateState("app");
    EXPECT_TRUE(entry.NeedsRepaint());
    EXPECT_EQ(entry.Bitmap(), kBitmapStandby);
}

TEST(SystemEntryDrawing, HitRectangleFromTheMeasuredWord) {
    AppstatParts parts;
    parts.AddInstance("SYSB", "app", "ISP");
    CAPPSTATSystem entry(parts.db, "SYSB", "app");
    entry.SetPosition(100, 200);
    EXPECT_EQ(entry.HitWord(), "Active");
    entry.PlaceHit(80, 30, 12);
    // 80 % of 42 below and beside the bitmap's corner, grown by 5.
    EXPECT_EQ(entry.Hit(), (Rect{95, 195, 100 + 33 + 30 + 5, 200 + 33 + 12 + 5}));
    EXPECT_EQ(CAPPSTATSystem::NameFontHeight(80), 11);

    parts.db.AddSystem("", "SYSC", 'U');
    CAPPSTATSystem unknown(parts.db, "SYSC", "app");
    EXPECT_EQ(unknown.HitWord(), "SYSC") << "an unknown state measures the name";
}

TEST(SystemStamp, RecordsTheStampAtConstruction) {
    AppstatParts parts;
    parts.AddInstance("SYSB", "app", "ISP");
    const panelaid::DbStamp now = parts.db.Stamp("SYSB");
    CAPPSTATSystem stamp(parts.db, "SYSB");
    EXPECT_EQ(stamp.Stamp(), now);
    EXPECT_TRUE(stamp.Seen());
}

}  // namespace
}  // namespace appstat
