// The debug trace: which categories pass the flag test, where the trace goes,
// and the length estimate that sizes its buffer.
#include "ChildReport.h"
#include "DebugFlags.h"
#include "FormatEstimate.h"
#include "qdberr.h"

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

using cfgtest::ChildResult;
using cfgtest::Count;
using cfgtest::RunChild;

namespace {

std::size_t Estimate(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::size_t n = cfgstore::EstimateFormatLength(format, args);
    va_end(args);
    return n;
}

std::size_t Printed(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::size_t Printed(const char* format, ...) {
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    return static_cast<std::size_t>(n);
}

}  // namespace

TEST(DebugTrace, CategoryPassesOnlyWithAMatchingFlag) {
    hvtest::TempSystemDir sys;
    struct Case { std::vector<std::string> flags; bool written; };
    const Case cases[] = {
        {{}, false},
        {{"LD.dbmgr.delete"}, true},
        {{"LD*"}, true},
        {{"*delete"}, true},
        {{"LD.dbmgr"}, false},
        {{"LD.dbmgr.delete.x"}, false},
        {{"*dele"}, false},
        {{"ld*"}, false},  // case matters
        {{"other", "*.delete"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags.empty() ? "no flags" : c.flags[0]);
        ChildResult r = RunChild([&] {
            set_errinfo("tracer", "qdb", 0, nullptr);
            cfgstore::SetLocalDebugFlags(c.flags);
            hv_debug("/x/DbMgr.cpp", 12, "LD.dbmgr.delete", "deleting %s at %d", "elem", 4);
            return 0;
        });
        ASSERT_EQ(r.exitCode, 0);
        if (c.written)
            EXPECT_NE(r.err.find("[File:DbMgr.cpp Line:12]\n*DEBUG* deleting elem at 4\n"), std::string::npos) << r.err;
        else
            EXPECT_TRUE(r.err.empty()) << r.err;
        EXPECT_TRUE(r.events.empty());
    }
}

TEST(DebugTrace, ControlFlagsChooseTheStreamsAndTheLog) {
    hvtest::TempSystemDir sys;
    ChildResult r = RunChild([] {
        set_errinfo("tracer", "mxr", PXM_STDOUT, nullptr);
        cfgstore::SetLocalDebugFlags({"#debug_to_log", "#debug_to_stderr"});
        hv_debug(nullptr, 0, nullptr, "one");  // no category: always traced
        cfgstore::SetLocalDebugFlags({"#debug_no_stderr", "#debug_to_stderr"});
        hv_debug(nullptr, 0, nullptr, "two");
        return 0;
    });
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(Count(r.out, "*DEBUG* one"), 1);
    EXPECT_EQ(Count(r.err, "*DEBUG* one"), 1);
    EXPECT_EQ(Count(r.out, "*DEBUG* two"), 1);
    EXPECT_EQ(Count(r.err, "two"), 0) << "no_stderr wins over to_stderr";
    ASSERT_EQ(r.events.size(), 1u);
    EXPECT_EQ(r.events[0].category, 6u);
    EXPECT_EQ(r.events[0].id, 0x40060001ul);
}

namespace {
int g_flagQueries = 0;
int ReenteringFlagTest(const char* name, int) {
    ++g_flagQueries;
    // A trace made while tracing is dropped, not recursed into.
    hv_debug(nullptr, 0, nullptr, "nested from %s", name);
    return name[0] == '#' ? 0 : 1;
}
}  // namespace

TEST(DebugTrace, TraceWhileTracingIsDropped) {
    hvtest::TempSystemDir sys;
    ChildResult r = RunChild([] {
        set_errinfo("tracer", "qdb", 0, nullptr);
        cfgstore::SetDebugFlagTest(&ReenteringFlagTest);
        hv_debug(nullptr, 0, "cat", "outer");
        cfgtest::Note(std::to_string(g_flagQueries));
        return 0;
    });
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(Count(r.err, "*DEBUG* outer"), 1);
    EXPECT_EQ(Count(r.err, "nested"), 0);
    EXPECT_EQ(r.note, "4");  // the category and the three control flags
}

TEST(DebugTrace, LargeTraceGrowsTheBuffer) {
    hvtest::TempSystemDir sys;
    ChildResult r = RunChild([] {
        set_errinfo("tracer", "qdb", 0, nullptr);
        std::string big(20000, 'y');
        hv_debug(nullptr, 0, nullptr, "%s|end", big.c_str());
        hv_debug(nullptr, 0, nullptr, "small after big");
        return 0;
    });
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(Count(r.err, "buffer overflow"), 0);
    // The report itself is cut to the message size, visibly.
    EXPECT_EQ(Count(r.err, "[message truncated]"), 1);
    EXPECT_EQ(Count(r.err, "*DEBUG* small after big"), 1);
}

TEST(FormatEstimate, EachConversionCountsItsWidestText) {
    const std::size_t lmin = Printed("%ld", LONG_MIN);    // 20
    const std::size_t umax = Printed("%lu", ULONG_MAX);   // 20
    const std::size_t omax = Printed("%lo", ULONG_MAX);   // 22
    const std::size_t xmax = Printed("%#lx", ULONG_MAX);  // 18
    EXPECT_EQ(Estimate("abc"), 4u);
    EXPECT_EQ(Estimate("%d", 1), 1 + 2 + lmin);
    EXPECT_EQ(Estimate("%ld", 1L), 1 + 3 + lmin);
    EXPECT_EQ(Estimate("%i", 1), 1 + 2 + lmin);
    EXPECT_EQ(Estimate("%u", 1u), 1 + 2 + umax);
    EXPECT_EQ(Estimate("%o", 1u), 1 + 2 + omax);
    EXPECT_EQ(Estimate("%x", 1u), 1 + 2 + xmax);
    EXPECT_EQ(Estimate("%#lX", 1UL), 1 + 4 + xmax);
    EXPECT_EQ(Estimate("%p", nullptr), 1 + 2 + Printed("%p", reinterpret_cast<void*>(UINTPTR_MAX)));
    EXPECT_EQ(Estimate("%c", 'a'), 1 + 2 + 1u);
    EXPECT_EQ(Estimate("%s", "hello"), 1 + 2 + 5u);
    EXPECT_EQ(Estimate("%.3s", "hello"), 1 + 4 + 3u);
    EXPECT_EQ(Estimate("%30d", 1), 1 + 4 + 30u);
    EXPECT_EQ(Estimate("%*d", 40, 5), 1 + 3 + 40u);
    EXPECT_EQ(Estimate("%-*.*s|", 3, 2, "hello"), 1 + 6 + 3u + 1);
    EXPECT_EQ(Estimate("%f", 1.5), 1 + 2 + 500u);
    EXPECT_EQ(Estimate("%.600f", 1.5), 1 + 6 + 610u);
    EXPECT_EQ(Estimate("%700.600f", 1.5), 1 + 9 + 700u);
    EXPECT_EQ(Estimate("%Lg", 1.5L), 1 + 3 + 500u);
    EXPECT_EQ(Estimate("100%%"), 1 + 5u);
    EXPECT_EQ(Estimate("ab%1$s", "x"), 3 + cfgstore::kPositionalEstimate);
    int n = 0;
    EXPECT_EQ(Estimate("x%n%s", &n, "yz"), 1 + 5 + 2u);  // %n consumes its argument
}

static int n_unused = 0;

TEST(FormatEstimate, NeverBelowThePrintedLength) {
    const std::string big(3000, 'q');
    EXPECT_GE(Estimate("%s %d %lu %x %c %e %p", big.c_str(), INT_MIN, ULONG_MAX, 0xffffffffu, 'z', -1e308, &n_unused),
              Printed("%s %d %lu %x %c %e %p", big.c_str(), INT_MIN, ULONG_MAX, 0xffffffffu, 'z', -1e308,
                      static_cast<void*>(&n_unused)));
    EXPECT_GE(Estimate("%f", -1e308), Printed("%f", -1e308));
    EXPECT_GE(Estimate("%lld|%hhd|%zu|%jd", LLONG_MIN, 1, ~size_t{0}, INTMAX_MIN),
              Printed("%lld|%hhd|%zu|%jd", LLONG_MIN, 1, ~size_t{0}, INTMAX_MIN));
}
