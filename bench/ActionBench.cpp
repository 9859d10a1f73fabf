// The restore action on one system (stand-in daemon and manager of this
// build): a 50-instance hierarchy restored whole, leaves first, by a
// trivial restore script each (collection under the lock, child checks,
// states and their records, reservations), beside the same 50 scripts run
// one after another by `run` in the same run.
#include "AutoQdbLock.h"
#include "BenchDatabase.h"
#include "DbMgr.h"
#include "RatioReporter.h"
#include "hvresource.h"
#include "qdberr.h"
#include "qdbexec.h"
#include "qdbkivra.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

constexpr int kHierarchy = 50;

std::string g_script;

void AllOut() {
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    for (int i = 0; i < kHierarchy; ++i)
        if (hvresource* r = hvresource::findres(db, ("H" + std::to_string(i)).c_str(), nullptr)) r->resstate = OSU;
}

void BM_Restore50_Ours(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        AllOut();
        state.ResumeTiming();
        if (perfaction(const_cast<char*>("H0"), 0, const_cast<char*>("restore"), const_cast<char*>(""), KIVRA_ALL, 0) != 0) {
            state.SkipWithError("restore failed");
            qdberrcheck();
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kHierarchy);
}

void BM_Restore50_Plain(benchmark::State& state) {
    for (auto _ : state) {
        for (int i = 0; i < kHierarchy; ++i) {
            const std::string cmd = g_script + "  -t 'H" + std::to_string(i) + "' -i 'id-H" + std::to_string(i) + "'";
            if (run(cmd.c_str()) != 0) {
                state.SkipWithError("script failed");
                return;
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * kHierarchy);
}

BENCHMARK(BM_Restore50_Ours)->MinTime(2.0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Restore50_Plain)->MinTime(2.0)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    BenchSystemDir dir;
    BenchDatabase db;
    namespace fs = std::filesystem;
    fs::create_directories(db.Root() + "/config");
    fs::create_directories(db.Root() + "/bin");
    fs::create_symlink("/bin/sh", db.Root() + "/bin/sh.exe");
    {
        std::ofstream(db.Root() + "/config/systems") << "BENCH\x01" "A\x01\n";
        // H0 is the top of a tree of 50 (each Hi below H((i-1)/3)).
        const std::string typeDir = db.Root() + "/subsys/app/resources/typ";
        fs::create_directories(typeDir + "/actions");
        g_script = typeDir + "/actions/restore.ksh";
        std::ofstream(g_script) << "#!/bin/sh\nexit 0\n";
        fs::permissions(g_script, fs::perms::owner_all);
        std::ofstream lines(typeDir + "/instances", std::ios::binary);
        for (int i = 0; i < kHierarchy; ++i) {
            lines << "H" << i << "\x01" "id-H" << i << "\x01" "s\x01\x01" "u\x01\x01" "0\x01" "0\x01" "0\x01";
            for (int c = 3 * i + 1; c <= 3 * i + 3 && c < kHierarchy; ++c) lines << "\x01" "H" << c;
            lines << "\n";
        }
    }
    if (!db.Start("BENCH", "ActionBench")) return 1;

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios("restore action / the same scripts by run (real time)", {"BM_Restore50"}, "_Ours", "_Plain");
    return 0;
}
