// The tag that ins_gettag returns belongs to the calling thread: threads
// asking at once each keep their own answer until their next call.
#include "HierarchyFixture.h"
#include "InstanceInterface.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace hierarchytest;

class InstanceTagThreads : public HierarchyTest {
protected:
    std::string TypeOne() override { return Line("T0") + Line("T1") + Line("T2") + Line("T3"); }
};

TEST_F(InstanceTagThreads, EachThreadKeepsItsOwnTag) {
    const std::string note = Client([] {
        std::atomic<int> wrong{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([t, &wrong] {
                const std::string tag = "T" + std::to_string(t);
                const std::string id = "id-" + tag;
                for (int i = 0; i < 100; ++i) {
                    const char* got = ins_gettag(nullptr, id.c_str());
                    std::this_thread::yield();
                    if (got == nullptr || tag != got) wrong.fetch_add(1);
                }
            });
        for (std::thread& th : threads) th.join();
        return std::to_string(wrong.load());
    });
    EXPECT_EQ(note, "0");
}

}  // namespace
