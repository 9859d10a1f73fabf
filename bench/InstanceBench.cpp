// Resource instances, each beside a plain baseline in the same run, on one
// system (stand-in daemon and manager of this build):
//   Load:   1,000 instance lines of a table file loaded into a copy with
//           createmany (the copy emptied before each load) against reading
//           the same file alone;
//   Record: one instance state record parsed and applied to a copy under
//           the lock, stamp rule included, against parsing it alone.
#include "AutoQdbLock.h"
#include "BenchDatabase.h"
#include "DbMgr.h"
#include "InsCacheUpdate.h"
#include "RatioReporter.h"
#include "ShmMgr.h"
#include "hvresource.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "resource_type.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr const char* kFile = "bench/instances";

DbMgr* CopyOf(const char* name) {
    AUTO_QDB_LOCK(lk);
    lk.lock(-1);
    return ShmMgr::findDbMgr(name, 0);
}

// Empties a copy and gives it the bench's resource type.
void ResetCopy(DbMgr* copy) {
    {
        AUTO_QDB_LOCK(lk);
        lk.lock(-1);
        copy->mem().purge();
        copy->roots = kNullOff;
        copy->tStamp = QdbDbTime{0x1000, 0};
    }
    std::string typ = std::string("aSYS001\x01") + "1000\x01" "0\x01" "1000\x01" "0\x01" "app\x01" "typ";
    resource_type::updateCache(typ.data());
}

void BM_Load_Ours(benchmark::State& state) {
    DbMgr* copy = CopyOf("SYS001");
    std::vector<char> buf(kQdbReadMax);
    for (auto _ : state) {
        state.PauseTiming();
        ResetCopy(copy);
        state.ResumeTiming();
        if (qdbreadfile(kFile, buf.data()) < 0 ||
            hvresource::createmany(const_cast<char*>("SYS001"), nullptr, nullptr, nullptr, buf.data(), 1) != 0) {
            state.SkipWithError("load failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}

void BM_Load_Plain(benchmark::State& state) {
    std::vector<char> buf(kQdbReadMax);
    for (auto _ : state) {
        if (qdbreadfile(kFile, buf.data()) < 0) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(buf.data());
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}

// State records of one instance of SYS002's copy, stamps following.
struct RecordStream {
    QdbDbTime stamp{0x2000, 0};
    bool up = true;
    std::string Next() {
        const QdbDbTime after{stamp.secs, stamp.coll + 1};
        std::string r = std::string("fsSYS002\x01") + stamp.text() + "\x01" + after.text() + "\x01" + "ip1\x01" +
                        (up ? "ibrought up by the bench" : "utaken down");
        stamp = after;
        up = !up;
        return r;
    }
};

void BM_Record_Ours(benchmark::State& state) {
    RecordStream s;
    DbMgr* copy = CopyOf("SYS002");
    {
        AUTO_QDB_LOCK(lk);
        lk.lock(-1);
        copy->mem().purge();
        copy->roots = kNullOff;
        copy->tStamp = s.stamp;
    }
    std::string typ = std::string("aSYS002\x01") + s.stamp.text() + "\x01" + s.stamp.text() + "\x01" + "app\x01" "typ";
    resource_type::updateCache(typ.data());
    std::string make = std::string("aSYS002\x01") + s.stamp.text() + "\x01" + s.stamp.text() + "\x01" +
                       "ip1\x01" "10.0.0.1\x01" "Iapp\x01" "typ\x01" "eth0";
    if (hvresource::updateCache(make.data()) != 0) state.SkipWithError("no instance");
    for (auto _ : state) {
        std::string r = s.Next();
        if (int rc = hvresource::updateCache(r.data()); rc != 0) {
            state.SkipWithError(("record refused: " + std::to_string(rc)).c_str());
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_Record_Plain(benchmark::State& state) {
    RecordStream s;
    for (auto _ : state) {
        std::string r = s.Next();
        std::unique_ptr<InsCacheUpdate> rec(InsCacheUpdate::make('f', 's', r.data() + 2));
        if (!rec || rec->status() != 0) state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(rec.get());
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_Load_Ours)->MinTime(1.0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Load_Plain)->MinTime(0.5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Record_Ours)->MinTime(0.5)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_Record_Plain)->MinTime(0.5)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    BenchSystemDir dir;
    BenchDatabase db;
    std::filesystem::create_directories(db.Root() + "/config");
    std::filesystem::create_directories(db.Root() + "/bench");
    {
        std::ofstream(db.Root() + "/config/systems") << "BENCH\x01" "A\x01\nSYS001\x01" "D\x01\nSYS002\x01" "D\x01\n";
        std::ofstream lines(db.Root() + "/" + kFile, std::ios::binary);
        for (int i = 0; i < 1000; ++i)
            lines << "app\x01" "typ\x01" "tag" << i << "\x01" "10.1." << i / 250 << "." << i % 250
                  << "\x01" "I\x01" "interface eth0\x01" "i\x01" "up\x01" "0\x01" "0\x01" "0\x01"
                  << "fail\x02" "link\x02" "1000\x02" "600\n";
    }
    if (!db.Start("BENCH", "InstanceBench", "INITTIMEOUT=30\nSHMMAXSIZ=16777216\n")) return 1;

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios("ours / plain (real time)", {"BM_Load", "BM_Record"}, "_Ours", "_Plain");
    return 0;
}
