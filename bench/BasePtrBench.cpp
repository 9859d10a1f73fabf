// Copying and releasing a counted object pointer: BasePtr (intrusive atomic
// count) beside std::shared_ptr (separate atomic control block) doing the same
// work, and the typed companion, whose members open trace frames.
#include <benchmark/benchmark.h>

#include <memory>

#include "ClassPattern.h"

namespace {

void BM_BasePtrCopyRelease(benchmark::State& state) {
    static BasePtr shared;
    if (state.thread_index() == 0) shared = new BaseVirtItem();
    for (auto _ : state) {
        BasePtr copy(shared);
        benchmark::DoNotOptimize(copy.GetRefPtr());
    }
    if (state.thread_index() == 0) shared = BasePtr();
}

void BM_SharedPtrCopyRelease(benchmark::State& state) {
    static std::shared_ptr<BaseVirtItem> shared;
    if (state.thread_index() == 0) shared = std::make_shared<BaseVirtItem>();
    for (auto _ : state) {
        std::shared_ptr<BaseVirtItem> copy(shared);
        benchmark::DoNotOptimize(copy.get());
    }
    if (state.thread_index() == 0) shared.reset();
}

void BM_TypedPtrCopyRelease(benchmark::State& state) {
    static BaseVirtItemPtr shared;
    if (state.thread_index() == 0) shared = BasePtr(new BaseVirtItem());
    for (auto _ : state) {
        BaseVirtItemPtr copy(shared);
        benchmark::DoNotOptimize(copy.GetRefPtr());
    }
    if (state.thread_index() == 0) shared = BasePtr();
}

// A new object owned once and released: allocation plus one count each way.
void BM_BasePtrNewRelease(benchmark::State& state) {
    for (auto _ : state) {
        BasePtr p(new BaseVirtItem());
        benchmark::DoNotOptimize(p.GetRefPtr());
    }
}

void BM_SharedPtrNewRelease(benchmark::State& state) {
    for (auto _ : state) {
        auto p = std::make_shared<BaseVirtItem>();
        benchmark::DoNotOptimize(p.get());
    }
}

}  // namespace

BENCHMARK(BM_BasePtrCopyRelease)->Threads(1)->Threads(4);
BENCHMARK(BM_SharedPtrCopyRelease)->Threads(1)->Threads(4);
BENCHMARK(BM_TypedPtrCopyRelease)->Threads(1)->Threads(4);
BENCHMARK(BM_BasePtrNewRelease);
BENCHMARK(BM_SharedPtrNewRelease);

BENCHMARK_MAIN();
