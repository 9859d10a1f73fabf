// bStr against std::string doing the same work in the same run: copying and
// releasing (the host name copied into every address), making a string from a
// text (pooled blocks against the heap), appending, and copying one shared
// string from several threads at once. "long:1" is a text of 200 characters,
// beyond the pooled blocks and std::string's inline buffer; "long:0" a host name.
#include "bStr.h"

#include <benchmark/benchmark.h>

#include <string>
#include <thread>

namespace {

const char kShort[] = "NODE-ALPHA-01";             // a host name
const std::string kLong(200, 'm');                 // beyond the pooled blocks and any inline buffer

const char* TextOf(const benchmark::State& state) { return state.range(0) ? kLong.c_str() : kShort; }
void Name(benchmark::internal::Benchmark* b) { b->ArgName("long")->Arg(0)->Arg(1); }

void BM_bStrCopyRelease(benchmark::State& state) {
    bStr source(TextOf(state));
    for (auto _ : state) {
        bStr copy(source);
        benchmark::DoNotOptimize(copy.StrPtr());
    }
}

void BM_StdStringCopyRelease(benchmark::State& state) {
    std::string source(TextOf(state));
    for (auto _ : state) {
        std::string copy(source);
        benchmark::DoNotOptimize(copy.data());
    }
}

void BM_bStrMakeFromText(benchmark::State& state) {
    const char* text = TextOf(state);
    for (auto _ : state) {
        bStr made(text);
        benchmark::DoNotOptimize(made.StrPtr());
    }
}

void BM_StdStringMakeFromText(benchmark::State& state) {
    const char* text = TextOf(state);
    for (auto _ : state) {
        std::string made(text);
        benchmark::DoNotOptimize(made.data());
    }
}

void BM_bStrCopyAppend(benchmark::State& state) {
    bStr source(TextOf(state));
    for (auto _ : state) {
        bStr name(source);
        name += ".pipe";
        benchmark::DoNotOptimize(name.StrPtr());
    }
}

void BM_StdStringCopyAppend(benchmark::State& state) {
    std::string source(TextOf(state));
    for (auto _ : state) {
        std::string name(source);
        name += ".pipe";
        benchmark::DoNotOptimize(name.data());
    }
}

// Starts and joins one thread: from then on the process counts as
// multi-threaded, and the string takes its atomic and locked paths.
void BM_StartSecondThread(benchmark::State& state) {
    for (auto _ : state) std::thread([] {}).join();
}

// Every thread copies the same string, as client threads copy the host name:
// the bStr copies share one count, the std::string copies share nothing.
bStr sharedB;
std::string sharedS;

void BM_bStrSharedCopyThreads(benchmark::State& state) {
    if (state.thread_index() == 0) sharedB = TextOf(state);
    for (auto _ : state) {
        bStr copy(sharedB);
        benchmark::DoNotOptimize(copy.StrPtr());
    }
}

void BM_StdStringSharedCopyThreads(benchmark::State& state) {
    if (state.thread_index() == 0) sharedS = TextOf(state);
    for (auto _ : state) {
        std::string copy(sharedS);
        benchmark::DoNotOptimize(copy.data());
    }
}

using Fn = void (*)(benchmark::State&);

void Register(const char* name, Fn fn, const char* suffix) {
    benchmark::RegisterBenchmark((std::string(name) + suffix).c_str(), fn)->Apply(Name);
}

}  // namespace

// Families run in the order they are registered: first every case in a
// process with one thread, then the same cases after a second thread has
// existed, then several threads copying one shared string.
int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    const struct { const char* name; Fn fn; } cases[] = {
        {"BM_bStrCopyRelease", BM_bStrCopyRelease},
        {"BM_StdStringCopyRelease", BM_StdStringCopyRelease},
        {"BM_bStrMakeFromText", BM_bStrMakeFromText},
        {"BM_StdStringMakeFromText", BM_StdStringMakeFromText},
        {"BM_bStrCopyAppend", BM_bStrCopyAppend},
        {"BM_StdStringCopyAppend", BM_StdStringCopyAppend},
    };
    for (const auto& c : cases) Register(c.name, c.fn, "/oneThreadProcess");
    benchmark::RegisterBenchmark("BM_StartSecondThread", BM_StartSecondThread)->Iterations(1);
    for (const auto& c : cases) Register(c.name, c.fn, "/threadedProcess");
    for (int threads : {1, 8}) {
        benchmark::RegisterBenchmark("BM_bStrSharedCopyThreads", BM_bStrSharedCopyThreads)
            ->Apply(Name)->Threads(threads)->UseRealTime();
        benchmark::RegisterBenchmark("BM_StdStringSharedCopyThreads", BM_StdStringSharedCopyThreads)
            ->Apply(Name)->Threads(threads)->UseRealTime();
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
