// Addresses made on different threads of one process.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "BaseAddr.h"

TEST(AddressThreads, EachThreadHasItsOwnTidAndIsNotAnotherThread) {
    BaseAddr::SetMxrWorldFlg(0);
    BaseAddrPtr mine(new BaseAddr());
    BaseAddrPtr theirs;
    int mineSeenThere = -1;
    int theirsSeenThere = -1;
    std::thread t([&] {
        theirs = new BaseAddr();
        mineSeenThere = mine->IsCorrectProcess();
        theirsSeenThere = theirs->IsCorrectProcess();
    });
    t.join();
    EXPECT_EQ(mine->GetPid(), theirs->GetPid());
    EXPECT_NE(mine->GetTid(), theirs->GetTid());
    EXPECT_TRUE(mine->GetHost() == theirs->GetHost());
    EXPECT_EQ(mineSeenThere, 0);
    EXPECT_EQ(theirsSeenThere, 1);
    EXPECT_EQ(theirs->IsCorrectProcess(), 0);
    EXPECT_EQ(mine->IsCorrectProcess(), 1);
}

// The host name is read on first use by whichever thread comes first.
TEST(AddressThreads, FirstUseOfTheHostNameFromManyThreads) {
    BaseAddr::SetCurrentHost(bStr());
    std::vector<std::thread> threads;
    std::vector<bStr> seen(8);
    for (int i = 0; i < 8; ++i) threads.emplace_back([&seen, i] { seen[i] = BaseAddr().GetHost(); });
    for (auto& t : threads) t.join();
    for (int i = 1; i < 8; ++i) EXPECT_TRUE(seen[i] == seen[0]);
    EXPECT_GT(seen[0].StrLen(), 0);
}
