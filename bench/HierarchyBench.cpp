// Instance lists and reservations, each beside a bare walk over the same
// instances in the same run, on one system (stand-in daemon and manager of
// this build) with 5,000 instances, 1,000 of them one hierarchy:
//   InsList: ins_list of all 5,000 records (walk order, formatting, copies)
//            against visiting the same instances' records in the pages;
//   Reserve: reserve_resources of the 1,000-instance hierarchy (scope,
//            blocking test, reservation) against a depth-first walk that
//            marks the same instances.
#include "AutoQdbLock.h"
#include "BenchDatabase.h"
#include "DbIter.h"
#include "DbMgr.h"
#include "InstanceInterface.h"
#include "RatioReporter.h"
#include "ShmMgr.h"
#include "hvresource.h"
#include "qdberr.h"
#include "qdbfile.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <unordered_set>
#include <vector>

namespace {

constexpr int kInstances = 5000;
constexpr int kHierarchy = 1000;

void BM_InsList_Ours(benchmark::State& state) {
    for (auto _ : state) {
        char** l = ins_list(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0);
        int n = 0;
        for (char** p = l; p && *p; ++p, ++n) qdbfreeit(*p);
        qdbfreeit(l);
        if (n != kInstances) {
            state.SkipWithError("wrong count");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kInstances);
}

void BM_InsList_Plain(benchmark::State& state) {
    for (auto _ : state) {
        AUTO_QDB_LOCK(lk);
        DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
        std::size_t bytes = 0;
        DbIter it;
        it.iterInit(RESOURCE, db);
        for (auto* r = static_cast<hvresource*>(it.current()); r != nullptr; r = static_cast<hvresource*>(it.next()))
            bytes += std::strlen(r->tag()) + std::strlen(r->id()) + std::strlen(r->app()) + std::strlen(r->typ());
        benchmark::DoNotOptimize(bytes);
    }
    state.SetItemsProcessed(state.iterations() * kInstances);
}

void BM_Reserve_Ours(benchmark::State& state) {
    for (auto _ : state) {
        if (hvresource::reserve_resources("H0", 'S') != 0) {
            state.SkipWithError("reserve failed");
            break;
        }
        state.PauseTiming();
        hvresource::clear_reservations(::getpid());
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kHierarchy);
}

void Mark(hvresource* r, std::unordered_set<hvresource*>& seen, int pid) {
    if (!seen.insert(r).second) return;
    r->resrvpid = pid;
    for (hvresource* b : r->below()) Mark(b, seen, pid);
}

void BM_Reserve_Plain(benchmark::State& state) {
    for (auto _ : state) {
        AUTO_QDB_LOCK(lk);
        DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
        std::unordered_set<hvresource*> seen;
        Mark(hvresource::findres(db, "H0", nullptr), seen, 0);
        if (seen.size() != static_cast<std::size_t>(kHierarchy)) {
            state.SkipWithError("wrong count");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kHierarchy);
}

BENCHMARK(BM_InsList_Ours)->MinTime(1.0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_InsList_Plain)->MinTime(0.5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Reserve_Ours)->MinTime(1.0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Reserve_Plain)->MinTime(0.5)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    BenchSystemDir dir;
    BenchDatabase db;
    std::filesystem::create_directories(db.Root() + "/config");
    {
        std::ofstream(db.Root() + "/config/systems") << "BENCH\x01" "A\x01\n";
        // H0 is the top of a tree of 1,000 (each Hi below H((i-1)/4)); the
        // other 4,000 stand alone.
        const std::string typeDir = db.Root() + "/subsys/app/resources/typ";
        std::filesystem::create_directories(typeDir + "/recovery");
        std::ofstream lines(typeDir + "/instances", std::ios::binary);
        for (int i = 0; i < kInstances; ++i) {
            const bool inTree = i < kHierarchy;
            std::string tag(1, inTree ? 'H' : 'T');
            tag += std::to_string(i);
            lines << tag << "\x01" "id-" << tag << "\x01" "s\x01" "info of " << tag
                  << "\x01" "u\x01" "\x01" "0\x01" "0\x01" "0\x01";
            if (inTree)
                for (int c = 4 * i + 1; c <= 4 * i + 4 && c < kHierarchy; ++c) lines << "\x01" "H" << c;
            lines << "\n";
        }
    }
    if (!db.Start("BENCH", "HierarchyBench", "INITTIMEOUT=60\nSHMMAXSIZ=33554432\n")) return 1;

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios("ours / bare walk (real time)", {"BM_InsList", "BM_Reserve"}, "_Ours", "_Plain");
    return 0;
}
