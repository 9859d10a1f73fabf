// The hardware document's refresh over the fake database, SYSA and 8 other
// systems with 4 paths each, against the database calls alone in the same
// run:
//   Changed:   a refresh after a stamp moved (change test, system set twice,
//              every path polled, layout), against the same list, state and
//              stamp calls made directly;
//   Unchanged: a refresh that finds nothing changed, against the stamp reads.
#include "RatioReporter.h"

#include "CHWMANDoc.h"
#include "FakeConsoleDatabase.h"
#include "FakeMessageBoxes.h"
#include "FakeSettingsStore.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

constexpr int kOthers = 8;
constexpr int kPathsEach = 4;

struct NoStatus : panelaid::StatusDisplay {
    void ShowText(const std::string&) override {}
};

struct NoHost : hwman::DocumentHost {
    void UpdateAllViews(int) override {}
    void Abort(int) override {}
    bool AskShutdownStrategy(int, int*) override { return false; }
};

struct World {
    World() {
        db.AddSystem("", "SYSA");
        for (int i = 0; i < kOthers; ++i) {
            const std::string name = "SYS" + std::to_string(i);
            db.AddSystem("", name);
            names.push_back(name);
            for (int k = 0; k < kPathsEach; ++k) {
                panelaid::PathDefinition p;
                p.system = name;
                p.device = "TCPIP:" + std::to_string(1500 + 10 * (i * kPathsEach + k));
                p.priority = 90 - k;
                db.AddPath("", p, "ALIVE");
            }
        }
        doc.OnNewDocument();
        doc.Reload();
        doc.Refresh();
    }
    // Moves the local database's stamp.
    void Touch() {
        db.FlagCreate(nullptr, "bench");
        db.FlagRemove(nullptr, "bench");
    }
    panelaid::FakeConsoleDatabase db{"SYSA"};
    panelaid::FakeMessageBoxes boxes;
    NoStatus status;
    panelaid::FakeSettingsStore store;
    panelaid::WindowSettings windows{store, boxes};
    NoHost host;
    hwman::CHWMANDoc doc{hwman::FigureServices{db, boxes, status, nullptr}, windows, host};
    std::vector<std::string> names;
};

World& TheWorld() {
    static World world;
    return world;
}

void StampReads(World& w) {
    benchmark::DoNotOptimize(w.db.Stamp("SYSA"));
    for (const std::string& n : w.names) benchmark::DoNotOptimize(w.db.Stamp(n.c_str()));
}

void BM_ChangedOurs(benchmark::State& state) {
    World& w = TheWorld();
    for (auto _ : state) {
        w.Touch();
        w.doc.Refresh();
    }
}

void BM_ChangedBare(benchmark::State& state) {
    World& w = TheWorld();
    panelaid::Records systems, paths;
    for (auto _ : state) {
        w.Touch();
        w.db.SystemList(nullptr, &systems);
        StampReads(w);
        for (int pass = 0; pass < 2; ++pass) {
            w.db.SystemList(nullptr, &systems);
            for (const std::string& s : systems) benchmark::DoNotOptimize(w.db.SystemState(nullptr, s.c_str()));
            if (pass == 0)
                for (const std::string& n : w.names) w.db.NetworkList(nullptr, n.c_str(), &paths);
        }
        benchmark::DoNotOptimize(paths.size());
    }
}

void BM_UnchangedOurs(benchmark::State& state) {
    World& w = TheWorld();
    for (auto _ : state) w.doc.Refresh();
}

void BM_UnchangedBare(benchmark::State& state) {
    World& w = TheWorld();
    panelaid::Records systems;
    for (auto _ : state) {
        w.db.SystemList(nullptr, &systems);
        StampReads(w);
    }
}

BENCHMARK(BM_ChangedOurs)->UseRealTime();
BENCHMARK(BM_ChangedBare)->UseRealTime();
BENCHMARK(BM_UnchangedOurs)->UseRealTime();
BENCHMARK(BM_UnchangedBare)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios("hardware document refresh / database calls alone (real time)",
                         {"BM_Changed", "BM_Unchanged"}, "Ours", "Bare");
    return 0;
}
