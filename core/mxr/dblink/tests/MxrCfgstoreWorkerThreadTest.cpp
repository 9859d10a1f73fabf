// The link's database thread: jobs from several threads run one at a time on
// that one thread, in each poster's order; a stop still runs what was queued
// before it and refuses what comes after; an owner that goes waits for the
// running job (it may hold the database lock).
#include "MxrCfgstoreWorker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace {

bool WaitFor(const std::function<bool()>& done, int ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

TEST(MxrCfgstoreWorkerThreads, JobsRunOnOneThreadInEachPostersOrder) {
    constexpr int kPosters = 4, kEach = 500;
    MxrCfgstoreWorker worker;
    std::mutex mu;
    std::vector<std::vector<int>> seen(kPosters);
    std::set<std::thread::id> threads;
    std::vector<std::thread> posters;
    for (int p = 0; p < kPosters; ++p)
        posters.emplace_back([&, p] {
            for (int i = 0; i < kEach; ++i)
                worker.Post([&, p, i] {
                    std::lock_guard<std::mutex> lock(mu);
                    seen[static_cast<std::size_t>(p)].push_back(i);
                    threads.insert(std::this_thread::get_id());
                });
        });
    for (std::thread& t : posters) t.join();
    ASSERT_TRUE(WaitFor([&] { return worker.JobsDone() == kPosters * kEach; }, 30000));
    std::lock_guard<std::mutex> lock(mu);
    EXPECT_EQ(threads.size(), 1u);
    EXPECT_EQ(threads.count(std::this_thread::get_id()), 0u);
    for (const std::vector<int>& s : seen) {
        ASSERT_EQ(s.size(), static_cast<std::size_t>(kEach));
        for (int i = 0; i < kEach; ++i) EXPECT_EQ(s[static_cast<std::size_t>(i)], i);
    }
}

TEST(MxrCfgstoreWorkerThreads, AStopRunsWhatWasQueuedAndRefusesWhatComesAfter) {
    MxrCfgstoreWorker worker;
    std::promise<void> release;
    std::atomic<bool> started{false}, finished{false};
    std::atomic<int> queued{0}, after{0};
    worker.Post([&, opened = release.get_future().share()] {
        started = true;
        opened.wait();
        finished = true;
    });
    for (int i = 0; i < 10; ++i) worker.Post([&] { ++queued; });
    ASSERT_TRUE(WaitFor([&] { return started.load(); }, 10000));
    worker.Stop();
    worker.Post([&] { ++after; });  // refused once stopped
    EXPECT_FALSE(worker.Ended());
    release.set_value();
    ASSERT_TRUE(WaitFor([&] { return worker.Ended(); }, 10000));
    EXPECT_TRUE(finished);
    EXPECT_EQ(queued, 10);
    EXPECT_EQ(after, 0);
    EXPECT_EQ(worker.JobsDone(), 11);
}

TEST(MxrCfgstoreWorkerThreads, AnOwnerThatGoesWaitsForTheRunningJob) {
    std::promise<void> release;
    std::atomic<bool> started{false}, finished{false};
    std::thread releaser;
    {
        MxrCfgstoreWorker worker;
        worker.Post([&, opened = release.get_future().share()] {
            started = true;
            opened.wait();
            finished = true;
        });
        ASSERT_TRUE(WaitFor([&] { return started.load(); }, 10000));
        releaser = std::thread([&] { release.set_value(); });
    }  // joins the database thread
    EXPECT_TRUE(finished);
    releaser.join();
}

}  // namespace
