// The database library's reporting and table-file writing beside plain code
// doing the same visible work in the same run:
//   KeptReport: a severity 23 report (formatted, kept in the thread's error
//               text, then cleared) beside snprintf of the same text;
//   DisabledTrace: hv_debug of a category no flag enables beside snprintf;
//   TableWrite100K: qdbwritefile of 100 KB (temporary file, fsync, rename,
//               directory fsync) beside an in-place rewrite of the same bytes,
//               without and with fsync.
#include "BenchSystemDir.h"
#include "RatioReporter.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "qdbpaths.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

const char* const kTag = "disk_vol_17";
const char* const kType = "volume";

void KeptReport(benchmark::State& state, bool ours) {
    char buf[kQdbTextMax];
    for (auto _ : state) {
        if (ours) {
            hv_err(23, 317, QDB_NOEXIST, "instance \"%s\" of type \"%s\" not found (%d)", kTag, kType, 42);
            qdberrclr();
        } else {
            std::snprintf(buf, sizeof buf, "instance \"%s\" of type \"%s\" not found (%d)", kTag, kType, 42);
            benchmark::DoNotOptimize(buf);
        }
    }
}

void DisabledTrace(benchmark::State& state, bool ours) {
    char buf[kQdbTextMax];
    for (auto _ : state) {
        if (ours) {
            hv_debug(__FILE__, __LINE__, "LD.dbmgr.delete", "deleting %s of %s at %d", kTag, kType, 42);
        } else {
            std::snprintf(buf, sizeof buf, "deleting %s of %s at %d", kTag, kType, 42);
            benchmark::DoNotOptimize(buf);
        }
    }
}

enum class Write { Atomic, InPlace, InPlaceSync };

void TableWrite(benchmark::State& state, Write how) {
    const std::string bytes(100 * 1024, 'r');
    const std::string path = std::string(pQdb_rootdir) + "/config/systems";
    std::filesystem::create_directories(std::string(pQdb_rootdir) + "/config");
    for (auto _ : state) {
        if (how == Write::Atomic) {
            if (qdbwritefile("config", "systems", static_cast<int>(bytes.size()), bytes.data()) != 0) std::abort();
            continue;
        }
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) std::abort();
        if (how == Write::InPlaceSync) ::fsync(fd);
        ::close(fd);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
    BenchSystemDir sys;
    std::string root = std::string(std::getenv("HV_SYSTEM_DIR")) + "/root";
    std::filesystem::create_directories(root);
    pQdb_rootdir = root.data();

    benchmark::RegisterBenchmark("KeptReport/plain", KeptReport, false);
    benchmark::RegisterBenchmark("KeptReport/cfgstore", KeptReport, true);
    benchmark::RegisterBenchmark("DisabledTrace/plain", DisabledTrace, false);
    benchmark::RegisterBenchmark("DisabledTrace/cfgstore", DisabledTrace, true);
    benchmark::RegisterBenchmark("TableWrite100K/plain", TableWrite, Write::InPlace)
        ->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(0.2);
    benchmark::RegisterBenchmark("TableWrite100K/plainfsync", TableWrite, Write::InPlaceSync)
        ->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(0.2);
    benchmark::RegisterBenchmark("TableWrite100K/cfgstore", TableWrite, Write::Atomic)
        ->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(0.2);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios("cfgstore / plain (real time)", {"KeptReport", "DisabledTrace", "TableWrite100K"},
                         "/cfgstore", "/plain");
    reporter.PrintRatios("cfgstore / in-place write with fsync", {"TableWrite100K"}, "/cfgstore", "/plainfsync");
    benchmark::Shutdown();
    pQdb_rootdir = nullptr;
    return 0;
}
