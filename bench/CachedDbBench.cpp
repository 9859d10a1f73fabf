// Cached copies of another system's database, each beside a plain baseline
// in the same run, on one system (stand-in daemon and manager of this
// build; the copy of SYS001 is loaded from this system, which stands for it):
//   CopyLoad: loading a copy of 100 systems and 1,000 flags through the
//             daemon's "cacheServer" (request, nine replies, the tables
//             rebuilt in the copy) against the same bytes as one request
//             and nine bare post-office messages sent and received;
//   Update:   one flag cache update parsed and applied to a copy under the
//             lock, stamp rule included, against parsing it alone.
#include "AutoQdbLock.h"
#include "BenchDatabase.h"
#include "CacheUpdateFrame.h"
#include "CachedDb.h"
#include "DbMgr.h"
#include "ProxyPostOffice.h"
#include "QdbStartup.h"
#include "RatioReporter.h"
#include "ShmMgr.h"
#include "flg.h"
#include "qdberr.h"

#include <benchmark/benchmark.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

DbMgr* CopyOf(const char* name) {
    AUTO_QDB_LOCK(lk);
    lk.lock(-1);
    return ShmMgr::findDbMgr(name, 0);
}

void BM_CopyLoad_Ours(benchmark::State& state) {
    ProxyPostOffice held;  // the thread's connection, kept for the run
    DbMgr* copy = CopyOf("SYS001");
    for (auto _ : state) {
        if (ShmMgr::cacheRemDb("BENCH", copy) != 0) state.SkipWithError("load failed");
    }
}

void BM_CopyLoad_Plain(benchmark::State& state) {
    std::vector<std::string> replies;
    if (cfgstore::CacheReplies(&replies, 1000) != 0) state.SkipWithError("no replies");
    ProxyPostOffice po;
    po.CreateMailBox("benchbox");
    for (auto _ : state) {
        po.SendToMboxAsynch("BENCH", "benchbox", MessagePtr(new Message("@m")));
        MessagePtr got = po.RcvFromMbox("benchbox", 1);
        for (const std::string& r : replies) {
            MessagePtr m(new Message());
            m->SetDataStr(bStr(("$" + r).c_str()));
            po.SendToMboxAsynch("BENCH", "benchbox", m);
            got = po.RcvFromMbox("benchbox", 1);
            if (!got.Ok() || got->GetLastErr() != Message::OKAY) state.SkipWithError("receive failed");
        }
    }
    po.RemoveMailBox("benchbox");
}

// Records that add and remove one flag of SYS002's copy, stamps following.
struct UpdateStream {
    QdbDbTime stamp{0x1000, 0};
    bool add = true;
    std::string Next() {
        const QdbDbTime after{stamp.secs, stamp.coll + 1};
        std::string r = std::string(add ? "a" : "c") + "SYS002\x01" + stamp.text() + "\x01" + after.text() + "\x01" +
                        "bench_flag";
        stamp = after;
        add = !add;
        return r;
    }
};

void BM_Update_Ours(benchmark::State& state) {
    UpdateStream s;
    DbMgr* copy = CopyOf("SYS002");
    {
        AUTO_QDB_LOCK(lk);
        lk.lock(-1);
        copy->tStamp = s.stamp;
        // A run before this one may have left the flag added.
        if (flg* f = flg::find(copy, "bench_flag")) f->destroy();
    }
    for (auto _ : state) {
        std::string r = s.Next();
        if (int rc = flg::updateCache(r.data()); rc != 0) {
            state.SkipWithError(("update refused: " + std::to_string(rc)).c_str());
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_Update_Plain(benchmark::State& state) {
    UpdateStream s;
    for (auto _ : state) {
        std::string r = s.Next();
        CacheUpdateFrame::Record rec;
        if (CacheUpdateFrame::Parse(r.data(), "ac", &rec) != 0) state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(rec);
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_CopyLoad_Ours)->MinTime(1.0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CopyLoad_Plain)->MinTime(1.0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Update_Ours)->MinTime(0.5)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_Update_Plain)->MinTime(0.5)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    BenchSystemDir dir;
    BenchDatabase db;
    std::filesystem::create_directories(db.Root() + "/config");
    {
        std::ofstream systemsFile(db.Root() + "/config/systems");
        systemsFile << "BENCH\x01" "A\x01\n";
        for (int i = 1; i < 100; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "SYS%03d", i);
            systemsFile << name << "\x01" "D\x01\n";
        }
        std::ofstream flags(db.Root() + "/config/flg");
        for (int i = 0; i < 1000; ++i) flags << "flag_number_" << i << "\n";
    }
    if (!db.Start("BENCH", "CachedDbBench", "INITTIMEOUT=30\nSHMMAXSIZ=16777216\n")) return 1;

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios("ours / plain (real time)", {"BM_CopyLoad", "BM_Update"}, "_Ours", "_Plain");
    return 0;
}
