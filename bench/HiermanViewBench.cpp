// The hierarchy view's update over the fake database, 40 roots and 500
// instances, against the database calls alone in the same run:
//   Unchanged: an update whose stamp did not move, against the stamp read;
//   Rebuild:   a forced update (every root checked, its icon chosen), against
//              the same list calls made directly;
//   Repaint:   the view's window painting all of itself into an image
//              (offscreen), against a bare QPainter drawing the same pixmaps
//              and tags at the same places into the same image.
#include "RatioReporter.h"

#include "FakeConsoleParts.h"
#include "HiermanViewWidget.h"
#include "IconPainter.h"
#include "ViewFontChooser.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kRoots = 40;
constexpr int kInstances = 500;

class NoSurface : public hierman::ViewSurface {
public:
    const std::string& DocumentTitle() const override { return title; }
    void RepaintCell(int, int) override {}
    void RepaintAll() override {}
    void CloseDocument() override {}
    bool HasKeyboardFocus() const override { return true; }
    void ScrollIntoView(int, int) override {}
    void IconSizeChanged(int) override {}

    std::string title = "SYSA";
};

// kInstances instances: the first kRoots are roots, the others hang below
// them; in service, or (mixed) a third each in service, out and failed.
void AddInstances(panelaid::FakeConsoleDatabase& db, bool mixed) {
    for (int i = 0; i < kInstances; ++i) {
        panelaid::FakeConsoleDatabase::Instance instance;
        instance.tag = "t" + std::to_string(i);
        instance.id = instance.tag;
        if (mixed) instance.state = i % 3 == 0 ? "ISP" : i % 3 == 1 ? "OSU" : "OSF";
        db.AddInstance("SYSA", instance);
        if (i >= kRoots) db.AddDependency("SYSA", "t" + std::to_string(i % kRoots), instance.tag);
    }
}

struct World : hierman::FakeConsoleParts {
    World() {
        AddInstances(db, false);
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
    // The name as a caller holds it: a string whose length is not known
    // when the benchmark is compiled, as the view's is not.
    std::string system = "SYSA";
    benchmark::DoNotOptimize(system);
    for (auto _ : state) benchmark::DoNotOptimize(w.db.Stamp(system.c_str()));
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

// The whole grid at 32 pixels, one view window showing it.
struct PaintWorld : hierman::FakeConsoleParts {
    PaintWorld() {
        AddInstances(db, true);
        widget = std::make_unique<hierman::HiermanViewWidget>(Services(), "SYSA");
        widget->resize(1100, 1100);
        widget->show();
        widget->Logic().UpdateView(false);
        image = QImage(widget->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
        // The first paint loads the fonts and the icons: not part of a repaint.
        widget->viewport()->render(&image);
    }
    std::unique_ptr<hierman::HiermanViewWidget> widget;
    QImage image;
};

// Made on first use and dropped before the application object goes.
std::unique_ptr<PaintWorld> gPaintWorld;

PaintWorld& ThePaintWorld() {
    if (!gPaintWorld) gPaintWorld = std::make_unique<PaintWorld>();
    return *gPaintWorld;
}

void BM_RepaintOurs(benchmark::State& state) {
    PaintWorld& w = ThePaintWorld();
    QWidget* viewport = w.widget->viewport();
    for (auto _ : state) viewport->render(&w.image);
}

void BM_RepaintBare(benchmark::State& state) {
    PaintWorld& w = ThePaintWorld();
    hierman::CHiermanView& logic = w.widget->Logic();
    struct Item {
        QRect cell;
        QPixmap pixmap;
        QString text;
    };
    std::vector<Item> items;
    for (int r = 0; r < hierman::kGridRows; ++r)
        for (int c = 0; c < hierman::kGridColumns; ++c)
            if (hierman::CMatrixCell* cell = logic.Get(c, r))
                items.push_back({w.widget->CellRect(c, r), hierman::IconPixmap(logic.IconOf(cell), 32),
                                 cell->IsResource() ? QString::fromStdString(cell->text) : QString()});
    const QFont font = hierman::QtFontOf(logic.Font());
    for (auto _ : state) {
        QPainter painter(&w.image);
        painter.fillRect(w.image.rect(), Qt::white);
        painter.setFont(font);
        for (const Item& item : items) {
            painter.drawPixmap(item.cell.topLeft(), item.pixmap);
            if (!item.text.isEmpty())
                painter.drawText(QRect(item.cell.right() + 1, item.cell.y(), item.cell.width() * 7, item.cell.height()),
                                 Qt::AlignVCenter | Qt::AlignLeft, item.text);
        }
    }
    state.counters["cells"] = static_cast<double>(items.size());
}

BENCHMARK(BM_UnchangedOurs)->UseRealTime();
BENCHMARK(BM_UnchangedBare)->UseRealTime();
BENCHMARK(BM_RebuildOurs)->UseRealTime();
BENCHMARK(BM_RebuildBare)->UseRealTime();
BENCHMARK(BM_RepaintOurs)->UseRealTime();
BENCHMARK(BM_RepaintBare)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios("hierarchy view / database calls or bare painter alone (real time)",
                         {"BM_Unchanged", "BM_Rebuild", "BM_Repaint"}, "Ours", "Bare");
    gPaintWorld.reset();
    return 0;
}
