// The s-expression form: printing a list of 10,000 field pairs beside a plain
// ostringstream writing the same text, and building then releasing a list of
// 100,000 cells (released in a loop) beside a std::forward_list of as many
// integers.
#include <benchmark/benchmark.h>

#include <forward_list>
#include <sstream>
#include <string>

#include "IoCons.h"
#include "IoIdent.h"
#include "IoInt.h"
#include "IoNull.h"

namespace {

constexpr int kPairs = 10000;
constexpr int kCells = 100000;

IoItemPtr PairList() {
    IoItemPtr list = IoNull::GetGlobalIoNullPtr();
    for (int i = kPairs - 1; i >= 0; --i) {
        IoItemPtr pair(new IoCons(IoItemPtr(new IoIdent("key")), IoItemPtr(new IoCons(IoItemPtr(new IoInt(
                                                                             static_cast<unsigned long>(i)))))));
        list = IoItemPtr(new IoCons(pair, list));
    }
    return IoItemPtr(new IoCons(IoItemPtr(new IoIdent("Sample")), list));
}

void BM_DisplayPairList(benchmark::State& state) {
    IoItemPtr tree = PairList();
    for (auto _ : state) {
        std::ostringstream os;
        tree->Display(os);
        benchmark::DoNotOptimize(os.str().size());
    }
}

void BM_BaselinePrintSameText(benchmark::State& state) {
    for (auto _ : state) {
        std::ostringstream os;
        os << "(Sample";
        for (int i = 0; i < kPairs; ++i) os << "\n\t(key " << i << ')';
        os << ')';
        benchmark::DoNotOptimize(os.str().size());
    }
}

void BM_BuildAndReleaseCellList(benchmark::State& state) {
    for (auto _ : state) {
        IoItemPtr list = IoNull::GetGlobalIoNullPtr();
        for (int i = 0; i < kCells; ++i)
            list = IoItemPtr(new IoCons(IoItemPtr(new IoInt(static_cast<unsigned long>(i))), list));
        benchmark::DoNotOptimize(list.GetRefPtr());
    }
}

void BM_BaselineForwardList(benchmark::State& state) {
    for (auto _ : state) {
        std::forward_list<int> list;
        for (int i = 0; i < kCells; ++i) list.push_front(i);
        benchmark::DoNotOptimize(&list);
    }
}

}  // namespace

BENCHMARK(BM_DisplayPairList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BaselinePrintSameText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildAndReleaseCellList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BaselineForwardList)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
