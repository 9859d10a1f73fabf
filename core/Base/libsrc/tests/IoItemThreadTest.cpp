// Threads that print and convert their own trees at once: the escape table
// is filled once however many threads ask for it first, and the shared empty
// list is used by all of them.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "IoObjectCvt.h"
#include "IoScalarCvt.h"
#include "IoTestTrees.h"

TEST(IoItemThreads, FirstUseOfTheEscapeTableAndTheSharedEmptyListFromManyThreads) {
    const int threads = 8;
    std::vector<std::string> printed(threads);
    std::vector<int> failures(threads, 0);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([t, &printed, &failures] {
            std::string last;
            for (int round = 0; round < 200; ++round) {
                IoItemPtr tree = List({Str("a~b\t\"c\"\xc8"), GetIoItemFrom(bStr("x\n")), GetIoItemFrom(-1)});
                last = Text(tree);
                int v = 0;
                if (SetFromIoItem(GetIoItemFrom(-5), v) != 0 || v != -5) ++failures[t];
                BasePtr p;
                if (SetFromIoItem(List({Id("IoInt"), List({Id("value"), Int(9)})}), p) != 0) ++failures[t];
                if (Text(GetIoItemFrom(p)) != "(IoInt\n\t(value 9))") ++failures[t];
            }
            printed[t] = last;
        });
    }
    for (std::thread& w : workers) w.join();
    for (int t = 0; t < threads; ++t) {
        EXPECT_EQ(printed[t], "(\"a\\176b\\t\\\"c\\\"\\310\"\n\t(\"x\\n\")\n\t(4294967295))") << t;
        EXPECT_EQ(failures[t], 0) << t;
    }
    EXPECT_EQ(IoNull::GetGlobalIoNullPtr()->GetRefCnt(), 1);
}
