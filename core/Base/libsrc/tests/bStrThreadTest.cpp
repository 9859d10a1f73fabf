// bStr across threads: one shared string copied and released by many threads
// at once (as every client thread copies the host name), copy on write under
// that sharing, strings made on one thread and released on another through the
// free lists, and the first use of the HTML table from many threads at once.
#include "bStr.h"

#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kThreads = 8;
// ThreadSanitizer runs the same code many times slower.
#if defined(__SANITIZE_THREAD__)
constexpr int kRounds = 5000;
#else
constexpr int kRounds = 50000;
#endif

template <typename Body>
void RunThreads(Body body) {
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) threads.emplace_back(body, t);
    for (std::thread& th : threads) th.join();
}

TEST(bStrThreads, SharedStringCopiedAndReleasedByEightThreads) {
    auto* shared = new bStr("HOSTNAME-01");
    const char* text = shared->StrPtr();
    std::atomic<int> wrong{0};
    std::barrier start(kThreads);
    RunThreads([&](int) {
        start.arrive_and_wait();
        for (int i = 0; i < kRounds; ++i) {
            bStr copy = *shared;
            bStr second(copy);
            bStr third;
            third = second;
            if (third.StrPtr() != text || third != "HOSTNAME-01") wrong.fetch_add(1);
        }
    });
    EXPECT_EQ(wrong.load(), 0);
    // Every copy gave its count back: releasing the original now frees the
    // representation, and its block is the next one handed out.
    delete shared;
    bStr probe("z");
    EXPECT_EQ(probe.StrPtr(), text);
}

TEST(bStrThreads, CopiesChangedOnEachThreadNeverTouchTheShared) {
    const bStr shared("mailbox");
    std::atomic<int> wrong{0};
    std::barrier start(kThreads);
    RunThreads([&](int t) {
        const std::string mine = "mailbox-" + std::to_string(t);
        start.arrive_and_wait();
        for (int i = 0; i < kRounds; ++i) {
            bStr copy = shared;
            copy += "-";
            copy += bStr(std::to_string(t).c_str());
            bStr other = shared;
            other = "replaced";
            bStr upper = shared.ToUpper();
            if (copy != mine.c_str() || other != "replaced" || upper != "MAILBOX") wrong.fetch_add(1);
            if (shared != "mailbox") wrong.fetch_add(1);
        }
    });
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(shared, "mailbox");
}

TEST(bStrThreads, StringsMadeOnOneThreadReleasedOnAnother) {
    constexpr int kPerThread = 400;
    std::vector<std::vector<bStr>> made(kThreads);
    std::atomic<int> wrong{0};
    std::barrier sync(kThreads);
    RunThreads([&](int t) {
        for (int round = 0; round < 5; ++round) {
            // Short texts through the pooled blocks, every eighth one long.
            for (int i = 0; i < kPerThread; ++i) {
                std::string text = std::to_string(t) + ":" + std::to_string(i);
                if (i % 8 == 0) text.append(130, 'L');
                made[t].emplace_back(text.c_str());
            }
            sync.arrive_and_wait();
            // Check and release the neighbour's strings.
            std::vector<bStr>& theirs = made[(t + 1) % kThreads];
            for (int i = 0; i < kPerThread; ++i) {
                std::string prefix = std::to_string((t + 1) % kThreads) + ":" + std::to_string(i);
                if (theirs[i].SubStr(0, static_cast<int>(prefix.size())) != prefix.c_str()) wrong.fetch_add(1);
            }
            theirs.clear();
            sync.arrive_and_wait();
        }
    });
    EXPECT_EQ(wrong.load(), 0);
}

TEST(bStrThreads, FirstUseOfTheHtmlTableFromEightThreads) {
    std::atomic<int> wrong{0};
    std::barrier start(kThreads);
    RunThreads([&](int) {
        bStr text("<a href=\"x\">&</a>");
        start.arrive_and_wait();
        if (text.CvtForHTML() != "&lt;a href=&quot;x&quot;&gt;&amp;&lt;/a&gt;") wrong.fetch_add(1);
    });
    EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
