// The application status document's refresh over the fake database, 200
// trees backed up by a second system, against the database calls alone in
// the same run:
//   Changed:   a stamp moved: every tree's state and rows read again, against
//              the same list, state and stamp calls made directly;
//   Unchanged: no stamp moved, against the system list and the stamp reads
//              (each after clearing the error, as the refresh reads them).
// The baselines make every call of the database interface the refresh makes.
#include "RatioReporter.h"

#include "AppstatParts.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kTrees = 200;

// A window that only takes what the document asks of it.
class QuietHost : public appstat::DocHost {
public:
    void UpdateAllViews() override {}
    void SetWaitCursor(bool) override {}
    void SetStatusText(const std::string&) override {}
    void Beep() override {}
};

class QuietPainter : public panelaid::StatusDisplay {
public:
    void ShowText(const std::string&) override {}
};

struct World : appstat::AppstatParts {
    World() {
        for (int i = 0; i < kTrees; ++i) {
            tags.push_back("t" + std::to_string(i));
            AddHierarchy(tags.back(), "ISP", "OSU");
        }
        doc = std::make_unique<appstat::CAPPSTATDoc>(appstat::DocServices{db, settings, quiet}, quietHost);
        doc->OnNewDocument();
        doc->Load();
        doc->Refresh();
    }
    // Moves SYSB's stamp (the state it writes is the one it had).
    void Touch() { db.SetInstanceState("SYSB", "t0", "OSU"); }

    QuietHost quietHost;
    QuietPainter quiet;
    std::vector<std::string> tags;
    std::unique_ptr<appstat::CAPPSTATDoc> doc;
};

World& TheWorld() {
    static World world;
    return world;
}

// The calls of the refresh's change test: the system list, then each
// stamp after clearing the error.
void ChangeTestCalls(World& w, panelaid::Records* systems) {
    w.db.SystemList(nullptr, systems);
    w.db.ClearError();
    benchmark::DoNotOptimize(w.db.Stamp("SYSA"));
    w.db.ClearError();
    benchmark::DoNotOptimize(w.db.Stamp("SYSB"));
    benchmark::DoNotOptimize(w.db.Initializing());
}

void BM_ChangedOurs(benchmark::State& state) {
    World& w = TheWorld();
    for (auto _ : state) {
        w.Touch();
        w.doc->Refresh();
    }
}

void BM_ChangedBare(benchmark::State& state) {
    World& w = TheWorld();
    panelaid::Records systems, roots, one, children, shared;
    for (auto _ : state) {
        w.Touch();
        ChangeTestCalls(w, &systems);
        w.db.ClearError();
        panelaid::InstanceQuery rootQuery;
        rootQuery.start = " ";
        w.db.InstanceList(nullptr, rootQuery, &roots);
        for (const std::string& tag : w.tags) {
            panelaid::InstanceQuery byTag;
            byTag.tag = tag.c_str();
            w.db.InstanceList("SYSB", byTag, &one);
            benchmark::DoNotOptimize(w.db.SystemState(nullptr, "SYSA"));
            w.db.InstanceList("SYSA", byTag, &one);
            w.db.DependencyList(nullptr, tag.c_str(), panelaid::Relation::Children, &children);
            w.db.EquivalencyList("SYSA", nullptr, tag.c_str(), 'S', &shared);
            benchmark::DoNotOptimize(w.db.SystemState(nullptr, "SYSB"));
            w.db.InstanceList("SYSB", byTag, &one);
        }
        w.db.ClearError();
        benchmark::DoNotOptimize(w.db.Initializing());
        benchmark::DoNotOptimize(one.size());
    }
}

void BM_UnchangedOurs(benchmark::State& state) {
    World& w = TheWorld();
    for (auto _ : state) w.doc->Refresh();
}

void BM_UnchangedBare(benchmark::State& state) {
    World& w = TheWorld();
    panelaid::Records systems;
    for (auto _ : state) {
        ChangeTestCalls(w, &systems);
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
    reporter.PrintRatios("application status refresh / database calls alone (real time)",
                         {"BM_Changed", "BM_Unchanged"}, "Ours", "Bare");
    return 0;
}
