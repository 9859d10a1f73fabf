// The stamp texts are built in buffers of the calling thread: threads that
// format stamps at once each keep their own text.
#include "QdbDbTime.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

TEST(DbTimeThreads, EachThreadKeepsItsOwnText) {
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int i = 1; i <= 4; ++i)
        threads.emplace_back([i, &wrong] {
            const QdbDbTime t{static_cast<std::uint32_t>(0x1000 * i), i};
            const std::string want = t.text();
            const char* text = t;
            const std::string desc = t.desc();
            for (int n = 0; n < 20000; ++n) {
                const char* again = t;
                if (want != text || again != text || desc != t.desc()) ++wrong;
            }
        });
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(wrong.load(), 0);
}
