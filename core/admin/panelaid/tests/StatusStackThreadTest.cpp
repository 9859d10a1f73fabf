// The status-bar stack used by the GUI thread and workers at once.
#include "FakeStatusDisplay.h"
#include "StatusStack.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

namespace panelaid {
namespace {

TEST(StatusStackThreadTest, InterleavedPushesAndPopsFromFourThreadsFreeNothingInUse) {
    StatusStack stack([] { return std::string("Ready"); });
    FakeStatusDisplay bar;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            const std::string mine = "thread " + std::to_string(t);
            for (int i = 0; i < 2000; ++i) {
                const char* outer = stack.Push(mine.c_str(), &bar);
                const char* inner = stack.Push("inner", &bar);
                // Reading what we were given must stay valid until our pop.
                std::size_t read = 0;
                if (outer != nullptr) read += std::strlen(outer);
                if (inner != nullptr) read += std::strlen(inner);
                EXPECT_GT(read + 1, 0u);
                stack.Pop(inner, nullptr);
                stack.Pop(outer, nullptr);
            }
        });
    }
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(stack.HeldTexts(), 0u);
    stack.Show(nullptr, &bar);
    EXPECT_EQ(bar.Last(), "Ready");
}

}  // namespace
}  // namespace panelaid
