// The object-persistence tools as real processes, against the cluster
// service in console mode.
#include "ConsoleService.h"
#include "ListingExitCode.h"
#include "ToolRun.h"

#include "platform/NamedMutex.h"
#include "platform/OwnerEvent.h"
#include "platform/SharedSegment.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <regex>
#include <sstream>

namespace {

using hvtoolstest::Holder;
using hvtoolstest::RunTool;
using hvtoolstest::ToolPath;
namespace pp = portlib::platform;

const char* const kHoldTools[] = {"mutexcheck", "mutexclear", "shmcheck", "shmclear", "shmkeep",
                                  "eventcheck", "eventclear", "eventkeep", "pidclear", "pidkeep"};

// Each tool's usage text after "\nUsage: <program> ".
const std::pair<const char*, const char*> kUsages[] = {
    {"mutexcheck", "[-v] -n<Mutex Name>\n"},
    {"mutexclear",
     "[-vf] -n<Mutex Name>\nWhere:\n\tv = Verbose output\n\tf = Force removal of mutex, regardless of ref count\n"},
    {"shmcheck", "[-v] -n<Shared Mem Name>\n"},
    {"shmkeep", "[-v] -n<Shared Mem Name>\n"},
    {"shmclear",
     "[-vf] -n<Shared Mem Name>\nWhere:\n\tv = Verbose output\n\tf = Force removal of shm obj, regardless of ref "
     "count\n"},
    {"eventcheck", "[-v] -n<Event Name>\n"},
    {"eventkeep", "[-v] -n<Event Name>\n"},
    {"eventclear",
     "[-vf] -n<Event Name>\nWhere:\n\tv = Verbose output\n\tf = Force removal of event, regardless of ref count\n"},
    {"pidclear", "[-v] -p<pid>\n"},
    {"pidkeep", "[-v] -p<pid>\n"},
};

std::string Usage(const std::string& tool) {
    for (const auto& [name, form] : kUsages)
        if (tool == name) return "\nUsage: " + ToolPath(tool) + " " + form;
    ADD_FAILURE() << "no usage for " << tool;
    return "";
}

TEST(PreserveToolsCommandLine, BadCommandLinesPrintTheUsageAndExitOne) {
    struct Case {
        const char* tool;
        std::vector<std::string> args;
    };
    std::vector<Case> cases;
    for (const char* tool : kHoldTools) cases.push_back({tool, {}});  // nothing to act on
    const std::vector<Case> more = {
        {"mutexcheck", {"-v"}},              // without -n
        {"mutexcheck", {"-n", ""}},          // an empty name
        {"shmkeep", {"-n"}},                 // -n without its value
        {"shmcheck", {"-nX", "extra"}},      // a word left over
        {"shmclear", {"-x", "-nX"}},         // unknown option
        {"eventkeep", {"-f", "-nX"}},        // only the clear tools take -f
        {"pidkeep", {"-V", "-p", "12"}},     // the pid tools take only lower-case -v
        {"pidclear", {"-p", "abc"}},         // not a pid
        {"pidclear", {"-p", "0"}},
        {"pidkeep", {"-n", "X"}},
    };
    cases.insert(cases.end(), more.begin(), more.end());
    for (const Case& c : cases) {
        const hvtoolstest::ToolResult r = RunTool(c.tool, c.args);
        EXPECT_EQ(r.exitCode, 1) << c.tool;
        EXPECT_EQ(r.out, Usage(c.tool)) << c.tool;
        EXPECT_EQ(r.err, "") << c.tool;
    }
}

TEST(PreserveToolsCommandLine, WithTheServiceDownEveryToolFails) {
    hvtest::TempSystemDir sys;
    for (const char* tool : kHoldTools) {
        const bool pid = std::string(tool).rfind("pid", 0) == 0;
        const hvtoolstest::ToolResult r = RunTool(tool, {pid ? "-p1" : "-nX"});
        EXPECT_EQ(r.exitCode, 1) << tool;
        EXPECT_EQ(r.out, "") << tool;
    }
    // The listings pass the connection's error on: 2, the pipe is not there.
    for (const char* tool : {"eventdump", "shmdump"}) {
        const hvtoolstest::ToolResult r = RunTool(tool);
        EXPECT_EQ(r.exitCode, 2) << tool;
        EXPECT_EQ(r.out, "") << tool;
    }
}

TEST(PreserveToolsCommandLine, TheListingsLinkNoSharedLibraryOfTheSystem) {
    for (const char* tool : {"eventdump", "shmdump"}) {
        std::ifstream in(ToolPath(tool), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        ASSERT_GT(bytes.str().size(), 0u) << tool;
        for (const char* library : {"libportlib.so", "libcfgstore.so", "libmsgframe.so"})
            EXPECT_EQ(bytes.str().find(library), std::string::npos) << tool << " needs " << library;
    }
}

TEST(PreserveToolsCommandLine, AListingFailureNeverExitsZero) {
    // An exit code keeps 8 bits of the listing's result.
    const std::pair<int, int> cases[] = {{0, 0}, {2, 2}, {0x6d, 0x6d}, {static_cast<int>(0x80000006), 6},
                                         {static_cast<int>(0x80000100), 1}, {0x200, 1}, {-1, 255}};
    for (const auto& [result, code] : cases) EXPECT_EQ(hvtools::ListingExitCode(result), code) << result;
}

class PreserveTools : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(service_.Ready()); }

    hvsvctest::Installation install_;
    hvtoolstest::ConsoleService service_;
};

// One kind of named object: its tools and whether it still exists.
struct ObjectKind {
    const char* kind;
    const char* check;
    const char* keep;
    const char* clear;
    const char* keepLine;   // -v of the keep tool; null: no tool holds this kind
    const char* checkLine;  // -v of the check tool
    std::function<bool(const std::string&)> exists;
};

TEST_F(PreserveTools, AHeldObjectOutlivesItsCreatorUntilAForcedClear) {
    const std::vector<ObjectKind> kinds = {
        {"shm", "shmcheck", "shmkeep", "shmclear", "Storing the shared mem obj: X\nPreserveShm returned: 0\n",
         "IsShmPreserved returned: 0\n", [](const std::string& name) {
             pp::SharedSegment seg;
             return seg.Attach(name) == 0;
         }},
        {"event", "eventcheck", "eventkeep", "eventclear", "Storing the event: X\nPreserveEvent returned: 0\n",
         "IsEventPreserved returned: 0\n", [](const std::string& name) {
             pp::OwnerEvent::State state;
             return pp::OwnerEvent::Query(name, &state) == 0;
         }},
        {"mutex", "mutexcheck", "mutexkeep-none", "mutexclear", nullptr, "IsMutexPreserved returned: 0\n",
         [](const std::string& name) {
             pp::NamedMutex mutex;
             return mutex.Open(name) == 0;
         }},
    };
    for (const ObjectKind& k : kinds) {
        SCOPED_TRACE(k.kind);
        Holder creator({HV_OPTOOL_PROBE_BIN, k.kind, "X"});
        ASSERT_EQ(creator.FirstLine(), "ready");
        EXPECT_EQ(RunTool(k.check, {"-n", "X"}).exitCode, 1);  // not held yet
        if (k.keepLine == nullptr) {
            // No tool holds a mutex: the database library does, through the client.
            ASSERT_EQ(portlib::PreserveMutex("X"), 0);
        } else {
            EXPECT_EQ(RunTool(k.keep, {"-nX"}).exitCode, 0);
        }
        const hvtoolstest::ToolResult checked = RunTool(k.check, {"-V", "-N", "X"});
        EXPECT_EQ(checked.exitCode, 0);
        EXPECT_EQ(checked.out, k.checkLine);
        creator.Stop();
        EXPECT_TRUE(k.exists("X")) << "gone with its creator";
        EXPECT_EQ(RunTool(k.check, {"-nX"}).exitCode, 0);
        // Held twice: a plain clear lets one hold go, a forced one all.
        if (k.keepLine != nullptr) {
            const hvtoolstest::ToolResult kept = RunTool(k.keep, {"-v", "-nX"});
            EXPECT_EQ(kept.exitCode, 0);
            EXPECT_EQ(kept.out, k.keepLine);
        } else {
            ASSERT_EQ(portlib::PreserveMutex("X"), 0);
        }
        const hvtoolstest::ToolResult cleared = RunTool(k.clear, {"-v", "-f", "-n", "X"});
        EXPECT_EQ(cleared.exitCode, 0);
        EXPECT_NE(cleared.out.find(" returned: 0\n"), std::string::npos) << cleared.out;
        EXPECT_FALSE(k.exists("X")) << "still there after the forced clear";
        EXPECT_EQ(RunTool(k.check, {"-nX"}).exitCode, 1);
        EXPECT_EQ(RunTool(k.clear, {"-nX"}).exitCode, 1);
        // Nobody made this one.
        if (k.keepLine != nullptr) {
            EXPECT_EQ(RunTool(k.keep, {"-n", "nobody-made-it"}).exitCode, 1);
        }
    }
    // The clear tools' first verbose line.
    Holder creator({HV_OPTOOL_PROBE_BIN, "shm", "Y"});
    ASSERT_EQ(RunTool("shmkeep", {"-nY"}).exitCode, 0);
    const hvtoolstest::ToolResult cleared = RunTool("shmclear", {"-v", "-nY"});
    EXPECT_EQ(cleared.out, "Removing the shared mem obj: Y\nClearShm returned: 0\n");
}

TEST_F(PreserveTools, PidKeepAndClearOfAChild) {
    Holder child({HV_PROBE_BIN, "wait"}, false);
    const std::string pid = std::to_string(child.Pid());
    // In order: two holds, then three clears; a pid no process has.
    const struct {
        const char* tool;
        std::vector<std::string> args;
        int exitCode;
        std::string out;
    } steps[] = {
        {"pidkeep", {"-p" + pid}, 0, ""},
        {"pidkeep", {"-v", "-P", pid}, 0, "Storing the pid: " + pid + "\nPreserveProcId returned: 0\n"},
        {"pidclear", {"-v", "-p", pid}, 0, "\nClearProcId(" + pid + ") returned: 0\n"},
        {"pidclear", {"-p", pid}, 0, ""},  // the second hold
        {"pidclear", {"-p", pid}, 1, ""},  // none left
        {"pidkeep", {"-p", std::to_string(0x3FFFFFF0)}, 1, ""},  // no such process
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(std::string(step.tool) + " " + step.args[0] + (step.args.size() > 1 ? " " + step.args[1] : ""));
        const hvtoolstest::ToolResult r = RunTool(step.tool, step.args);
        EXPECT_EQ(r.exitCode, step.exitCode);
        EXPECT_EQ(r.out, step.out);
    }
}

// The handle column is the service's own number: masked for the comparison.
std::string MaskHandles(const std::string& text) {
    return std::regex_replace(text, std::regex("0x[0-9a-f]{8}"), "0xHHHHHHHH");
}

TEST_F(PreserveTools, ListingsAgainstGoldenText) {
    for (const char* tool : {"eventdump", "shmdump"}) {
        const hvtoolstest::ToolResult empty = RunTool(tool);
        EXPECT_EQ(empty.exitCode, 0) << tool;
        EXPECT_EQ(empty.out, "") << tool;
    }
    std::vector<std::unique_ptr<pp::OwnerEvent>> events;
    for (int i = 0; i < 11; ++i) {
        events.push_back(std::make_unique<pp::OwnerEvent>());
        const std::string name = "event-" + std::to_string(i);
        ASSERT_EQ(events.back()->Create(name), 0);
        ASSERT_EQ(RunTool("eventkeep", {"-n", name}).exitCode, 0);
    }
    const hvtoolstest::ToolResult events20 = RunTool("eventdump");
    EXPECT_EQ(events20.exitCode, 0);
    EXPECT_EQ(MaskHandles(events20.out),
              "\tEVENT NAME          \tHANDLE    \tREF. COUNT\n"
              "\t====================\t==========\t==========\n"
              "1\tevent-0             \t0xHHHHHHHH\t1\n"
              "2\tevent-1             \t0xHHHHHHHH\t1\n"
              "3\tevent-2             \t0xHHHHHHHH\t1\n"
              "4\tevent-3             \t0xHHHHHHHH\t1\n"
              "5\tevent-4             \t0xHHHHHHHH\t1\n"
              "6\tevent-5             \t0xHHHHHHHH\t1\n"
              "7\tevent-6             \t0xHHHHHHHH\t1\n"
              "8\tevent-7             \t0xHHHHHHHH\t1\n"
              "9\tevent-8             \t0xHHHHHHHH\t1\n"
              "10\tevent-9             \t0xHHHHHHHH\t1\n"
              "11\tevent-10            \t0xHHHHHHHH\t1\n"
              "12\t(empty)\n13\t(empty)\n14\t(empty)\n15\t(empty)\n16\t(empty)\n"
              "17\t(empty)\n18\t(empty)\n19\t(empty)\n20\t(empty)\n");

    Holder creator({HV_OPTOOL_PROBE_BIN, "shm", "segment-with-a-long-name"});
    ASSERT_EQ(RunTool("shmkeep", {"-nsegment-with-a-long-name"}).exitCode, 0);
    ASSERT_EQ(RunTool("shmkeep", {"-nsegment-with-a-long-name"}).exitCode, 0);
    const hvtoolstest::ToolResult shm = RunTool("shmdump");
    EXPECT_EQ(shm.exitCode, 0);
    EXPECT_EQ(MaskHandles(shm.out),
              "\tSHARED MEMORY NAME  \tHANDLE    \tREF COUNT\n"
              "\t====================\t==========\t==========\n"
              "1\tsegment-with-a-long-name\t0xHHHHHHHH\t2\n"
              "2\t(empty)\n3\t(empty)\n4\t(empty)\n5\t(empty)\n6\t(empty)\n"
              "7\t(empty)\n8\t(empty)\n9\t(empty)\n10\t(empty)\n");
}

}  // namespace
