// The hierarchy console's actions over the fake database, against the work
// they cannot avoid, in the same run:
//   Plan:   planning In Service for 20 selected roots whose children are
//           shared with their neighbours (every question answered yes),
//           against the same root_list and dep_list calls (and the backup
//           searches) made directly;
//   Runner: a job through the console's worker runner (thread, busy flag,
//           local event loop), against the job run inline.
#include "RatioReporter.h"

#include "ActionFixture.h"
#include "QtActionRunner.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

constexpr int kRoots = 20;

std::string Root(int i) { return "R" + std::to_string(i); }
std::string Child(int i) { return "c" + std::to_string(i); }
std::string Leaf(int i) { return "l" + std::to_string(i); }

class YesBoxes : public panelaid::MessageBoxes {
public:
    panelaid::BoxAnswer Ask(const panelaid::BoxRequest& request) override {
        return request.buttons == panelaid::BoxButtons::YesNo ? panelaid::BoxAnswer::Yes : panelaid::BoxAnswer::Ok;
    }
};

// Plans only: the worker's scripts are not the subject.
class PlanOnly : public hierman::ActionRunner {
public:
    int Run(const hierman::ActionJobFn&) override { return 0; }
};

struct World : hierman::FakeConsoleParts {
    World() {
        db.AddSystem("SYSA", "SYSA", 'A');
        auto add = [this](const std::string& tag) {
            panelaid::FakeConsoleDatabase::Instance i;
            i.tag = tag;
            i.state = "OSU";
            db.AddInstance("SYSA", i);
        };
        // Root i holds children i and i + 1; each child holds one leaf.
        for (int i = 0; i <= kRoots; ++i) {
            add(Child(i));
            add(Leaf(i));
            db.AddDependency("SYSA", Child(i), Leaf(i));
        }
        for (int i = 0; i < kRoots; ++i) {
            add(Root(i));
            db.AddDependency("SYSA", Root(i), Child(i));
            db.AddDependency("SYSA", Root(i), Child(i + 1));
        }
        view = std::make_unique<hierman::CHiermanView>(Services(), surface);
        view->UpdateView(false);
        actions = std::make_unique<hierman::ViewActions>(
            hierman::ViewServices{db, advisor, status, &bar, settings, yes}, *view, surface, host, runner,
            [] { return false; });
    }
    YesBoxes yes;
    hierman::RecordingSurface surface;
    hierman::RecordingHost host;
    PlanOnly runner;
    std::unique_ptr<hierman::CHiermanView> view;
    std::unique_ptr<hierman::ViewActions> actions;
};

World& TheWorld() {
    static World world;
    return world;
}

void BM_PlanOurs(benchmark::State& state) {
    World& w = TheWorld();
    for (auto _ : state) {
        for (int i = 0; i < kRoots; ++i) w.view->FindRoot(Root(i))->selected = true;
        w.actions->Run(hierman::kCmdInService);
    }
}

void BM_PlanBare(benchmark::State& state) {
    World& w = TheWorld();
    panelaid::HierarchyQueries queries(w.db);
    panelaid::Records records;
    for (auto _ : state) {
        for (int i = 0; i < kRoots; ++i) {
            std::string backup;
            benchmark::DoNotOptimize(queries.GetBackupMachine("SYSA", Root(i).c_str(), &backup));
        }
        for (int i = 0; i <= kRoots; ++i)
            for (const std::string& tag : {Root(i), Child(i), Leaf(i)}) {
                if (tag == Root(kRoots)) continue;
                benchmark::DoNotOptimize(queries.RootList("SYSA", tag.c_str()));
                w.db.DependencyList("SYSA", tag.c_str(), panelaid::Relation::Children, &records);
                w.db.ClearError();
            }
    }
}

void BM_RunnerOurs(benchmark::State& state) {
    panelaid::FakeMessageBoxes boxes;
    hierman::QtActionRunner runner({boxes, [](bool) {}, [] {}});
    int n = 0;
    for (auto _ : state) benchmark::DoNotOptimize(runner.Run([&n] { return ++n; }));
}

void BM_RunnerBare(benchmark::State& state) {
    hierman::InlineActionRunner runner;
    int n = 0;
    for (auto _ : state) benchmark::DoNotOptimize(runner.Run([&n] { return ++n; }));
}

BENCHMARK(BM_PlanOurs)->UseRealTime();
BENCHMARK(BM_PlanBare)->UseRealTime();
BENCHMARK(BM_RunnerOurs)->UseRealTime();
BENCHMARK(BM_RunnerBare)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios("hierarchy actions / the unavoidable work alone (real time)", {"BM_Plan", "BM_Runner"}, "Ours",
                         "Bare");
    reporter.PrintDifferences("hierarchy actions over the unavoidable work alone", {"BM_Runner"}, "Ours", "Bare");
    return 0;
}
