// A client killed (SIGKILL) at each place where it holds the database lock
// in the middle of a change: the next holder gets the lock abandoned and the
// segment walked; after a restart of the system (the segment built again
// from the table files) the walk finds nothing wrong and the change is there
// whole or not at all.
#include "AutoQdbLock.h"
#include "CopyStaging.h"
#include "DbMgr.h"
#include "HierarchyFixture.h"
#include "ShmMgr.h"
#include "application.h"
#include "flg.h"
#include "hvresource.h"
#include "qdberr.h"
#include "resource_type.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <functional>
#include <string>

namespace {

// The segment walk's fault count, under the lock.
std::string Walk() {
    AUTO_QDB_LOCK(lk);
    lk.lock(-1);
    std::string report;
    const int faults = cfgstore::WalkSegment(&report);
    return "faults=" + std::to_string(faults) + (faults ? "\n" + report : "");
}

struct CrashCase {
    const char* place;
    std::function<void()> change;
    std::function<std::string()> probe;  // "absent" or "whole" after the restart
};

std::string InstanceProbe() {
    char state = 0;
    AUTO_QDB_LOCK(lk);
    lk.lock(-1);
    hvresource* r = hvresource::findres(ShmMgr::findDbMgr(nullptr, 0), "c1", nullptr);
    if (r == nullptr) return "absent";
    state = static_cast<char>(r->get_state());
    return std::string(r->id()) == "cid1" && std::string(r->app()) == "app1" && state != 0 ? "whole" : "half";
}

std::function<std::string()> FlagProbe(const char* name) {
    return [name] { return flg_test(nullptr, name, 0) == 0 ? "whole" : "absent"; };
}

class CrashPointTest : public hierarchytest::HierarchyTest {
protected:
    void Restart() {
        Stop(manager_);
        Stop(daemon_);
        daemon_ = StartDaemon();
        manager_ = StartProgram(HV_MXRCFGSTORE_BIN, "mxrcfgstore");
        ASSERT_TRUE(WaitForLine(daemon_, "qdb: serving")) << Err(daemon_);
    }
};

TEST_F(CrashPointTest, AHolderKilledInAChangeLeavesNothingHalfAppliedAfterARestart) {
    const CrashCase cases[] = {
        {"instance-create", [] { ins_create(nullptr, "app1", "typ1", 'I', "c1", "cid1", ""); }, InstanceProbe},
        {"flag-create", [] { flg_create(nullptr, "crashflag1"); }, FlagProbe("crashflag1")},
        // Made in the segment, killed while its table file is written.
        {"table-file-write",
         [] {
             if (flg_create(nullptr, "crashflag2") == 0) flg_sync(nullptr);
         },
         FlagProbe("crashflag2")},
    };
    for (const CrashCase& c : cases) {
        SCOPED_TRACE(c.place);
        cfgtest::ChildResult r = cfgtest::RunChild([&] {
            qdbfixture::StartClient();
            ::setenv("HV_CRASH_AT", c.place, 1);
            c.change();
            return 0;
        });
        ASSERT_EQ(r.signal, SIGKILL) << r.err;
        // The next holder is served: the lock comes back abandoned.
        EXPECT_NE(Client(Walk), "");
        ASSERT_NO_FATAL_FAILURE(Restart());
        EXPECT_EQ(Client([&c] { return Walk() + " " + c.probe(); }), "faults=0 absent");
        // The change made again, whole.
        EXPECT_EQ(Client([&c] {
            c.change();
            qdberrclr();
            return Walk() + " " + c.probe();
        }), "faults=0 whole");
    }
}

TEST_F(CrashPointTest, TheWalkOfASoundSegmentFindsNothing) {
    EXPECT_EQ(Client([] {
        std::string out;
        for (const char* tag : {"b2", "a1", "c3"})
            out += Result(ins_create(nullptr, "app1", "typ1", 'I', tag, (std::string("id") + tag).c_str(), "")) + " ";
        out += Result(flg_create(nullptr, "f")) + " ";
        return out + Walk();
    }), "0/0 0/0 0/0 0/0 faults=0");
}

}  // namespace
