// The database lock and the segment allocator, each beside a plain baseline
// in the same run:
//   LockRelease: one uncontended qdbgetlock/qdbrlslock against a plain
//                process-shared pthread mutex;
//   Processes:   8 processes x 10,000 lock, increment, release on one shared
//                counter (none may be lost), the same two locks;
//   ElemAlloc:   100 64-byte elements taken and given back in one database
//                of a private segment, against malloc/free.
#include "BenchSystemDir.h"
#include "DbMgr.h"
#include "QdbLock.h"
#include "QdbStartup.h"
#include "RatioReporter.h"
#include "ShmMgr.h"
#include "qdberr.h"
#include "qdbpaths.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kProcs = 8;
constexpr int kSteps = 10000;

struct PlainShared {
    pthread_mutex_t mutex;
    volatile long counter;
};

PlainShared* g_plain = nullptr;
volatile long* g_counter = nullptr;  // ours: a word of shared memory

void SetUpLocks() {
    void* mem = ::mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (mem == MAP_FAILED) std::abort();
    g_plain = static_cast<PlainShared*>(mem);
    g_counter = reinterpret_cast<volatile long*>(static_cast<char*>(mem) + 2048);
    pthread_mutexattr_t a;
    pthread_mutexattr_init(&a);
    pthread_mutexattr_setpshared(&a, PTHREAD_PROCESS_SHARED);
    pthread_mutex_init(&g_plain->mutex, &a);
    // As the daemon: makes the event and the lock.
    setAppId(1);
    qdbinitlocks(0, "HVNTBENCH", 108);
}

void BM_LockRelease_Ours(benchmark::State& state) {
    for (auto _ : state) {
        qdbgetlock(__FILE__, __LINE__, kQdbWaitForever);
        qdbrlslock(__FILE__, __LINE__);
    }
}

void BM_LockRelease_Plain(benchmark::State& state) {
    for (auto _ : state) {
        pthread_mutex_lock(&g_plain->mutex);
        pthread_mutex_unlock(&g_plain->mutex);
    }
}

template <typename Lock, typename Unlock>
void RunProcesses(benchmark::State& state, volatile long* counter, Lock lock, Unlock unlock) {
    for (auto _ : state) {
        *counter = 0;
        std::vector<pid_t> kids;
        for (int p = 0; p < kProcs; ++p) {
            pid_t pid = ::fork();
            if (pid == 0) {
                for (int i = 0; i < kSteps; ++i) {
                    lock();
                    *counter = *counter + 1;
                    unlock();
                }
                ::_exit(0);
            }
            kids.push_back(pid);
        }
        for (pid_t pid : kids) ::waitpid(pid, nullptr, 0);
        if (*counter != long{kProcs} * kSteps) state.SkipWithError("an increment was lost");
    }
}

void BM_Processes_Ours(benchmark::State& state) {
    RunProcesses(state, g_counter, [] { qdbgetlock(__FILE__, __LINE__, kQdbWaitForever); },
                 [] { qdbrlslock(__FILE__, __LINE__); });
}

void BM_Processes_Plain(benchmark::State& state) {
    RunProcesses(state, &g_plain->counter, [] { pthread_mutex_lock(&g_plain->mutex); },
                 [] { pthread_mutex_unlock(&g_plain->mutex); });
}

void BM_ElemAlloc_Ours(benchmark::State& state) {
    std::vector<char> seg(1000000);
    if (ShmMgr::initSegment(seg.data(), static_cast<std::uint32_t>(seg.size()), "BENCH") != 0) std::abort();
    MemMgr mem = ShmMgr::findDbMgr("BENCH", 0)->mem();
    void* elems[100];
    for (auto _ : state) {
        for (auto& e : elems) e = mem.getFreeElem(64, NETWORK, nullptr);
        for (auto& e : elems) mem.putFreeElem(e);
    }
    pShmPtr = nullptr;
    pQdb_shgp = nullptr;
}

void BM_ElemAlloc_Plain(benchmark::State& state) {
    void* elems[100];
    for (auto _ : state) {
        for (auto& e : elems) {
            e = std::malloc(64);
            benchmark::DoNotOptimize(e);
        }
        for (auto& e : elems) std::free(e);
    }
}

BENCHMARK(BM_LockRelease_Ours);
BENCHMARK(BM_LockRelease_Plain);
BENCHMARK(BM_Processes_Ours)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Processes_Plain)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ElemAlloc_Ours);
BENCHMARK(BM_ElemAlloc_Plain);

}  // namespace

int main(int argc, char** argv) {
    BenchSystemDir dir;
    SetUpLocks();
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios("database lock and allocator / plain (real time)",
                         {"BM_LockRelease", "BM_Processes", "BM_ElemAlloc"}, "_Ours", "_Plain");
    return 0;
}
