// Eight threads reporting and tracing at once: each keeps its own error
// record, no report or trace of one thread is lost or mixed with another's.
#include "DebugFlags.h"
#include "TempSystemDir.h"
#include "qdberr.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

TEST(ErrorReportThreads, EightThreadsReportAndTraceIndependently) {
    hvtest::TempSystemDir sys;
    constexpr int kThreads = 8, kRounds = 200;
    const std::string errPath = sys.Path() + "/stderr";
    std::fflush(stderr);
    int saved = ::dup(STDERR_FILENO);
    int fd = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ::dup2(fd, STDERR_FILENO);
    ::close(fd);

    set_errinfo("threads", "qdb", 0, nullptr);
    cfgstore::SetLocalDebugFlags({"LD*"});
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &mismatches] {
            const std::string mine = "thread " + std::to_string(t) + " ";
            for (int i = 0; i < kRounds; ++i) {
                hv_err(23, i, t + 1, "thread %d round %d", t, i);
                if (i % 2) hv_err(__FILE__, __LINE__, 25, i, "thread %d again %d", t, i);
                if (Qdb_errno != (i % 2 ? QDB_INT : t + 1)) ++mismatches;
                const char* text = Qdb_errbuf;
                if (text == nullptr || std::strstr(text, mine.c_str()) == nullptr) ++mismatches;
                for (int other = 0; other < kThreads && text; ++other) {
                    std::string theirs = "thread " + std::to_string(other) + " ";
                    if (other != t && std::strstr(text, theirs.c_str())) ++mismatches;
                }
                qdberrclr();
                hv_debug(__FILE__, __LINE__, "LD.thread", "trace t%d i%d %s", t, i, std::string(i * 10, 'p').c_str());
                hv_debug(__FILE__, __LINE__, "XX.off", "never t%d", t);
            }
        });
    }
    for (auto& th : threads) th.join();
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    cfgstore::SetLocalDebugFlags({});

    EXPECT_EQ(mismatches.load(), 0);
    std::ifstream in(errPath);
    std::stringstream all;
    all << in.rdbuf();
    const std::string text = all.str();
    int traces = 0;
    for (std::size_t pos = text.find("*DEBUG* trace t"); pos != std::string::npos;
         pos = text.find("*DEBUG* trace t", pos + 1))
        ++traces;
    EXPECT_EQ(traces, kThreads * kRounds);
    EXPECT_EQ(text.find("never"), std::string::npos);
}
