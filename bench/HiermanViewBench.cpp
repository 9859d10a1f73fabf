// The hierarchy view's update over the fake database, 40 roots and 500
// instances, against the database calls alone in the same run:
//   Unchanged: an update whose stamp did not move, against the stamp read;
//   Rebuild:   a forced update (every root checked, its icon chosen), against
//              the same list calls made directly.
#include "RatioReporter.h"

#include "FakeConsoleParts.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

constexpr int kRoots = 40;
constexpr int kInstances = 500;

class NoSurface : public hierman::ViewSurface {
public:
    std::string DocumentTitle() const override { return "SYSA"; }
    void RepaintCell(int, int) override {}
    void RepaintAll() override {}
    void CloseDocument() override {}
    bool HasKeyboardFocus() const override { return true; }
    void ScrollIntoView(int, int) override {}
    void IconSizeChanged(int) override {}
};

struct World : hierman::FakeConsoleParts {
    World() {
        for (int i = 0; i < kInstances; ++i) {
            panelaid::FakeConsoleDatabase::Instance instance;
            instance.tag = "t" + std::to_string(i);
            instance.id = instance.tag;
            db.AddInstance("SYSA", instance);
            // The first kRoots are roots; the others hang below them.
            if (i >= kRoots) db.AddDependency("SYSA", "t" + std::to_string(i % kRoots), instance.tag);
        }
        view = std::make_unique<hierman::CHiermanView>(Services(), surface);
        view->UpdateView(false);
        view->UpdateView(false);
    }
    NoSurface surface;
    std::unique_ptr<hierman::CHiermanView> view;
};

World& TheWorld() {
    static World world;
    return world;
}

void BM_UnchangedOurs(benchmark::State& state) {
    World& w = TheWorld();
    for (auto _ : state) w.view->UpdateView(true);
}

void BM_UnchangedBare(benchmark::State& state) {
    World& w = TheWorld();
    for (auto _ : state) benchmark::DoNotOptimize(w.db.Stamp("SYSA"));
}

void BM_RebuildOurs(benchmark::State& state) {
    World& w = TheWorld();
    for (auto _ : state) w.view->UpdateView(false);
}

void BM_RebuildBare(benchmark::State& state) {
    World& w = TheWorld();
    panelaid::Records roots, one, children;
    for (auto _ : state) {
        benchmark::DoNotOptimize(w.db.Stamp("SYSA"));
        panelaid::InstanceQuery query;
        query.start = " ";
        w.db.InstanceList("SYSA", query, &roots);
        for (int i = 0; i < kRoots; ++i) {
            const std::string tag = "t" + std::to_string(i);
            panelaid::InstanceQuery byRoot;
            byRoot.start = " ";
            byRoot.tag = tag.c_str();
            w.db.InstanceList("SYSA", byRoot, &one);
            panelaid::InstanceQuery byTag;
            byTag.tag = tag.c_str();
            w.db.InstanceList("SYSA", byTag, &one);
            w.db.DependencyList("SYSA", tag.c_str(), panelaid::Relation::Children, &children);
        }
        w.db.Sync("SYSA");
        benchmark::DoNotOptimize(children.size());
    }
}

BENCHMARK(BM_UnchangedOurs)->UseRealTime();
BENCHMARK(BM_UnchangedBare)->UseRealTime();
BENCHMARK(BM_RebuildOurs)->UseRealTime();
BENCHMARK(BM_RebuildBare)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios("hierarchy view / database calls alone (real time)", {"BM_Unchanged", "BM_Rebuild"}, "Ours",
                         "Bare");
    return 0;
}
