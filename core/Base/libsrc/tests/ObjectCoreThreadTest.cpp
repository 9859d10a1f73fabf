// Object core state shared between threads: reference counts, the trace
// depth and flag, the registry's lookups during registration, the library
// lock and the per-thread slots. Run under ThreadSanitizer as well.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "BasePtr.h"
#include "ClassDefine.h"
#include "ClassPattern.h"
#include "FuncInfo.h"
#include "MxrDll.h"
#include "RegisterClass.h"

namespace {

class Shared : public BaseVirtItem {
    MXR_CLASS(Shared, BaseVirtItem);
    MXR_FIELDS();

public:
    Shared() = default;
    ~Shared() override {
        // Written by the thread that made the object, read by whichever thread
        // drops the last reference.
        destroyedPayload.store(payload, std::memory_order_relaxed);
        destroyed.fetch_add(1);
    }
    int payload = 0;
    static std::atomic<int> destroyed;
    static std::atomic<int> destroyedPayload;
};
MXR_COMPANIONS(Shared);
std::atomic<int> Shared::destroyed{0};
std::atomic<int> Shared::destroyedPayload{0};
MXR_CLASS_DEFINE(Shared);

constexpr int kThreads = 8;

template <class F>
void RunThreads(F&& f) {
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) threads.emplace_back([&f, t] { f(t); });
    for (auto& th : threads) th.join();
}

BaseVirtItem* MakeNothing() { return nullptr; }

}  // namespace

TEST(ObjectCoreThreads, CountsStayExactWhenThreadsCopyAndDropOneObject) {
    const int destroyedBefore = Shared::destroyed.load();
    auto* obj = new Shared();
    obj->payload = 1234;
    BasePtr* holder = new BasePtr(obj);
    RunThreads([&](int) {
        for (int i = 0; i < 20000; ++i) {
            BasePtr a(*holder);
            SharedPtr b(a);
            BasePtr c;
            c = b;
        }
    });
    EXPECT_EQ(obj->GetRefCnt(), 1);
    EXPECT_EQ(Shared::destroyed.load(), destroyedBefore);

    // The last reference goes on another thread, racing with a copy that is dropped.
    std::thread last([p = BasePtr(*holder)]() mutable { p = BasePtr(); });
    delete holder;
    last.join();
    EXPECT_EQ(Shared::destroyed.load(), destroyedBefore + 1);
    EXPECT_EQ(Shared::destroyedPayload.load(), 1234);
}

TEST(ObjectCoreThreads, TraceDepthAndFlagAreSafeToShare) {
    unsetenv("MXRFUNCTRACE");
    const int base = FuncInfo::GetCallListSz();
    FuncInfo::SetTraceFlag(0);  // every thread races to decide
    RunThreads([](int) {
        for (int i = 0; i < 20000; ++i) {
            MXR_FRAME("T", "f", 0, "T.c");
            EXPECT_EQ(FuncInfo::IsTraceOn(), 0);
        }
    });
    EXPECT_EQ(FuncInfo::GetCallListSz(), base);
    EXPECT_EQ(FuncInfo::GetTraceFlag(), -1);
}

// A frame that printed its entry line still leaves the slow way when another
// thread switches tracing off meanwhile: the depth comes back, and the flag
// drops once the frame has closed.
TEST(ObjectCoreThreads, TracingSwitchedOffElsewhereStillClosesOpenFrames) {
    setenv("MXRFUNCTRACE", "YES", 1);
    FuncInfo::SetTraceFlag(0);
    const int base = FuncInfo::GetCallListSz();
    bool stillChecked = false;
    ::testing::internal::CaptureStderr();
    {
        MXR_FRAME("A", "f", 0, "A.c");
        std::thread([] { FuncInfo::SetTraceFlag(-1); }).join();
        stillChecked = FuncInfo::MayTrace();
        { MXR_FRAME("B", "g", 0, "B.c"); }
    }
    const std::string out = ::testing::internal::GetCapturedStderr();
    unsetenv("MXRFUNCTRACE");
    EXPECT_EQ(out, "Entering: A::f()\n");
    EXPECT_TRUE(stillChecked);
    EXPECT_EQ(FuncInfo::GetCallListSz(), base);
    EXPECT_FALSE(FuncInfo::MayTrace());
    FuncInfo::SetTraceFlag(0);
}

TEST(ObjectCoreThreads, LookupsRunWhileAnotherThreadRegisters) {
    RegisterClass** savedTable = RegisterClass::GetClassListPtr();
    const int savedSize = RegisterClass::GetClassListSize();
    static int codes[200];
    static std::string names[200];
    std::vector<RegisterClass*> records;
    std::atomic<bool> done{false};
    std::thread registrar([&] {
        for (int i = 0; i < 200; ++i) {
            codes[i] = 300 + i * 7;  // grows the table many times
            names[i] = "Late" + std::to_string(i);
            records.push_back(new RegisterClass(names[i].c_str(), codes[i], &MakeNothing));
        }
        done = true;
    });
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&] {
            while (!done) {
                EXPECT_NE(RegisterClass::GetRegisterClassEntryFrmId(Shared::ClassCode), nullptr);
                EXPECT_NE(RegisterClass::GetRegisterClassEntryFromName("Shared"), nullptr);
                RegisterClass* late = RegisterClass::GetRegisterClassEntryFrmId(300);
                if (late != nullptr) {
                    EXPECT_STREQ(late->GetClassName(), "Late0");
                }
            }
        });
    }
    registrar.join();
    for (auto& r : readers) r.join();
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(RegisterClass::GetRegisterClassEntryFrmId(codes[i]), records[static_cast<size_t>(i)]);
        EXPECT_EQ(RegisterClass::GetRegisterClassEntryFromName(names[i].c_str()), records[static_cast<size_t>(i)]);
    }
    RegisterClass::SetClassListPtr(savedTable);
    RegisterClass::SetClassListSize(savedSize);
    for (RegisterClass* r : records) delete r;
}

TEST(ObjectCoreThreads, LibraryLockSerialisesAndPerThreadSlotsStartEmpty) {
    ASSERT_EQ(pMxrDllCriticalSection, &MxrDllCriticalSection);
    MxrThreadSharedPipeSlots().sharedPipeRefCntTls = 5;  // this thread's slot only
    long counter = 0;
    std::atomic<int> slotsSeenEmpty{0};
    RunThreads([&](int t) {
        MxrSharedPipeSlots& slots = MxrThreadSharedPipeSlots();
        if (slots.sharedPipeTls == nullptr && slots.sharedPipeRefCntTls == 0) ++slotsSeenEmpty;
        slots.sharedPipeRefCntTls = t + 1;
        for (int i = 0; i < 10000; ++i) {
            std::lock_guard<MxrCriticalSection> guard(*pMxrDllCriticalSection);
            ++counter;
        }
        EXPECT_EQ(MxrThreadSharedPipeSlots().sharedPipeRefCntTls, t + 1);
    });
    EXPECT_EQ(counter, 10000L * kThreads);
    EXPECT_EQ(slotsSeenEmpty.load(), kThreads);
    EXPECT_EQ(MxrThreadSharedPipeSlots().sharedPipeRefCntTls, 5);
    MxrThreadSharedPipeSlots().sharedPipeRefCntTls = 0;
}
