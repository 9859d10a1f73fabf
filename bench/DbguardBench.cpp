// The dbguard kit against plain code doing the same work in the same run:
//   Walk:  the selection walk over 100 volumes of 20 databases each (each
//          volume sharing half its databases with the next, so one walk
//          reaches everything) against a plain breadth-first search of the
//          same maps;
//   Apply: an active/active Apply of 20 databases (PreCreate, 20 kit
//          scripts, PostCreate; the registrations in the in-memory database)
//          against the same 22 trivial scripts run through the script runner
//          alone.
#include "BenchSystemDir.h"
#include "RatioReporter.h"

#include "CKitSheet.h"
#include "CClusDef.h"
#include "CSQL_ActiveActive.h"
#include "DatabaseVolumeMaps.h"
#include "FakeConsoleDatabase.h"
#include "FakeMessageBoxes.h"
#include "KitWords.h"
#include "ProcessScriptRunner.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <unordered_set>

namespace {

std::string gRoot;

void Volumes(dbguard::DatabaseVolumeMaps* maps, int volumes, int perVolume) {
    std::string problem;
    for (int v = 0; v < volumes; ++v) {
        std::string line = "vol" + std::to_string(v);
        for (int d = 0; d < perVolume; ++d) line += " db" + std::to_string(v * perVolume / 2 + d);
        if (!maps->AddLine(line, &problem)) std::abort();
    }
}

void BM_WalkOurs(benchmark::State& state) {
    dbguard::DatabaseVolumeMaps maps;
    Volumes(&maps, 100, 20);
    for (auto _ : state) {
        auto reached = maps.Walk("db0", true);
        if (reached.volumes.size() != 100) std::abort();
        benchmark::DoNotOptimize(reached);
    }
}

void BM_WalkBare(benchmark::State& state) {
    dbguard::DatabaseVolumeMaps maps;
    Volumes(&maps, 100, 20);
    const dbguard::CAssocList& databases = maps.Databases();
    const dbguard::CAssocList& volumes = maps.Volumes();
    for (auto _ : state) {
        std::unordered_set<std::string> seen{"d:db0"};
        std::deque<std::string> todo{"d:db0"};
        std::size_t reachedVolumes = 0;
        while (!todo.empty()) {
            const std::string at = todo.front();
            todo.pop_front();
            const bool isDatabase = at[0] == 'd';
            if (!isDatabase) ++reachedVolumes;
            const auto* entry = (isDatabase ? databases : volumes).Find(at.substr(2));
            for (const std::string& next : entry->values) {
                std::string key = (isDatabase ? "v:" : "d:") + next;
                if (seen.insert(key).second) todo.push_back(std::move(key));
            }
        }
        if (reachedVolumes != 100) std::abort();
    }
}

// The kit's host with real script runners over the benchmark's root.
class BenchHost : public dbguard::KitHost {
public:
    panelaid::FakeConsoleDatabase db{"NODE1", ""};
    panelaid::FakeMessageBoxes boxes;
    panelaid::BlockingWaitPump pump;

    panelaid::ConsoleDatabase& Db() override { return db; }
    panelaid::MessageBoxes& Boxes() override { return boxes; }
    std::unique_ptr<panelaid::ScriptRunner> NewRunner() override {
        return std::make_unique<panelaid::ProcessScriptRunner>([] { return gRoot; }, pump);
    }
    int Advise(const char*, const char*, int) override { return 0; }
    void EnumHierarchy(RecoveryKitControlBlock* b) override { b->m_status = 4; }
    void CreateHierarchy(RecoveryKitControlBlock* b) override { b->m_status = 2; }
    bool RootFileExists(const std::string&) override { return false; }
    panelaid::StatusDisplay* StatusOf(RecoveryKitControlBlock*) override { return nullptr; }
    const char* PushStatus(const char*, RecoveryKitControlBlock*) override { return nullptr; }
    void PopStatus(const char*, RecoveryKitControlBlock*) override {}
    void ShowHelp(int) override {}
};

void BM_ApplyOurs(benchmark::State& state) {
    BenchHost host;
    RecoveryKitControlBlock block;
    block.m_pid = "1";
    block.m_primarySystems = {"NODE1"};
    block.m_secondarySystems = {"NODE2"};
    dbguard::CKitSheet sheet(host);
    sheet.InitFromBlock(&block);
    sheet.Start();
    sheet.Cluster().OnApply();
    dbguard::CSQL_ActiveActive& page = sheet.ActiveActive();
    if (sheet.SelectedTab() != 1 || page.databaseList.size() != 20) std::abort();
    page.bringIntoService = 0;
    for (auto _ : state) page.OnApply();
}

void BM_ApplyBare(benchmark::State& state) {
    panelaid::BlockingWaitPump pump;
    panelaid::ProcessScriptRunner runner([] { return gRoot; }, pump);
    for (auto _ : state) {
        runner.Execute("/admin/bin/Create", "NODE1 NODE2 .PreCreate 1");
        for (int d = 0; d < 20; ++d)
            runner.Execute("/admin/kit/dbguard/bin/aacreate",
                           "NODE1 NODE2 SQLServer.0 db" + std::to_string(d) + " sa '' Y N N",
                           {{dbguard::kPasswordVariable, ""}});
        runner.Execute("/admin/bin/Create", "NODE1 NODE2 .PostCreate 1");
    }
}

BENCHMARK(BM_WalkOurs);
BENCHMARK(BM_WalkBare);
BENCHMARK(BM_ApplyOurs)->UseRealTime();
BENCHMARK(BM_ApplyBare)->UseRealTime();

void Script(const std::string& rel, const std::string& body) {
    const std::string path = gRoot + rel;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path) << "#!/bin/sh\n" << body;
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

}  // namespace

int main(int argc, char** argv) {
    BenchSystemDir sys;
    gRoot = std::string(std::getenv("HV_SYSTEM_DIR")) + "/root";
    std::string lines;
    for (int d = 0; d < 20; ++d) lines += "vol" + std::to_string(d) + " db" + std::to_string(d) + "\n";
    Script("/bin/getrootdir", "echo " + gRoot + "\n");
    Script("/admin/kit/dbguard/bin/sqlconfg", "echo Active\n");
    Script("/admin/kit/dbguard/bin/getsqldb", "printf '" + lines + "'\n");
    Script("/admin/kit/dbguard/bin/aacreate", "exit 0\n");
    Script("/admin/bin/Create", "exit 0\n");

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios("dbguard / plain code (real time)", {"BM_Walk", "BM_Apply"}, "Ours", "Bare");
    return 0;
}
