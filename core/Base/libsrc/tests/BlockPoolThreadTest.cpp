// Packet memory kept per thread: packets made on one thread and dropped on
// another, and threads that end with blocks kept.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "PipePktBufr.h"
#include "BlockPool.h"

TEST(BlockPoolThreads, PacketsDroppedOnAnotherThreadJoinItsBlocks) {
    std::vector<BasePktBufrPtr> made;
    for (int i = 0; i < 200; ++i) made.emplace_back(new PipePktBufr());
    int keptThere = -1;
    std::thread other([&made, &keptThere] {
        made.clear();
        keptThere = BlockPool::KeptBlocks(sizeof(PipePktBufr));
        // Reused there, then left kept when the thread ends (freed then).
        std::vector<BasePktBufrPtr> again;
        for (int i = 0; i < 150; ++i) again.emplace_back(new PipePktBufr());
    });
    other.join();
    EXPECT_EQ(keptThere, 200);
}

TEST(BlockPoolThreads, ThreadsMakeAndDropAtOnce) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([] {
            for (int round = 0; round < 200; ++round) {
                std::vector<BasePktBufrPtr> pkts;
                for (int i = 0; i < 20; ++i) {
                    pkts.emplace_back(new PipePktBufr());
                    pkts.back()->PutBytes("abc", 3);
                }
            }
            EXPECT_LE(BlockPool::KeptBlocks(sizeof(PipePktBufr)), static_cast<int>(BlockPool::MaxKeptBytes / sizeof(PipePktBufr)));
        });
    }
    for (std::thread& th : threads) th.join();
}
