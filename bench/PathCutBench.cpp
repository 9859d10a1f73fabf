// PathCutBench (a small program, not Google Benchmark): the time from a
// path's cut to its DEAD report on both systems of a pair of machines in
// namespaces (scripts/hv-pair.sh), beside the bound the paths are set up
// with, hbInterval x hbMaxMiss. A TCP path is cut by taking the veth link
// down, a serial path by pausing the line simulator both ways; after each
// round the cut is healed and the paths are awaited ALIVE again. Needs root
// and network namespaces (skipped elsewhere). A socket path's set-up
// retries after a short wait that doubles up to 30 s, so a TCP round that
// stays cut long takes up to that long to heal. Exits 1 when a cut was
// reported later than the detection bound allows (the pair's fault test
// reports these times without judging them).
//
//     PathCutBench [--rounds N]     (default 3)
#include "support/PairBench.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace pairbench;

namespace {

using Clock = std::chrono::steady_clock;

struct Pair : PairRun {
    bool AwaitAlive(int secs) const { return Await(Script("hv-audit.sh") + "--paths " + Quote(dir), secs, 200); }
};

struct Cut {
    const char* name;
    const char* kind;  // as the watcher names it
};

}  // namespace

int main(int argc, char** argv) {
    int rounds = 0;
    if (!ParseRounds(argc, argv, "PathCutBench", 3, 20, &rounds)) return 64;
    const std::string bin = ProgramDir();
    if (bin.empty()) return 1;
    char tmpl[] = "/tmp/hvb.XXXXXX";
    if (::mkdtemp(tmpl) == nullptr) return 1;
    Pair pair{{HV_SOURCE_DIR "/scripts", std::string(tmpl) + "/p"}};

    const int up = Sh(pair.Script("hv-pair.sh") + "up " + Quote(pair.dir) + " " + Quote(bin), false);
    if (up == 77) {
        std::printf("PathCutBench: skipped (network namespaces need root here)\n");
        Sh("rm -rf " + Quote(tmpl));
        return 0;
    }
    int rc = 0;
    if (up != 0 || !pair.AwaitAlive(90)) {
        std::fprintf(stderr, "PathCutBench: the pair did not come up (logs in %s)\n", pair.dir.c_str());
        Sh(pair.Script("hv-pair.sh") + "down " + Quote(pair.dir));
        return 1;
    }
    const std::string env = pair.dir + "/pair.env";
    const int interval = std::atoi(EnvValue(env, "HB_INTERVAL").c_str());
    const int maxMiss = std::atoi(EnvValue(env, "HB_MAXMISS").c_str());
    const int bound = interval * maxMiss;
    const std::string line = pair.Script("hv-pair.sh") + "line " + Quote(pair.dir) + " ";
    const std::string link = pair.Script("hv-pair.sh") + "link " + Quote(pair.dir) + " ";
    const Cut cuts[] = {
        {"TCP path, link down", "TLI"},
        {"serial path, line paused", "TTY"},
    };
    std::printf("%-26s %6s %28s %10s\n", "cut", "rounds", "DEAD on both: median (min-max)", "bound");
    for (const Cut& c : cuts) {
        const bool tcp = std::strcmp(c.kind, "TLI") == 0;
        std::vector<double> took;
        for (int r = 0; r < rounds && rc == 0; ++r) {
            const int deadA = DeadReports(pair.dir + "/a/watch.log", c.kind);
            const int deadB = DeadReports(pair.dir + "/b/watch.log", c.kind);
            const auto t0 = Clock::now();
            if (tcp) {
                Sh(link + "down");
            } else {
                Sh(line + "pause ab");
                Sh(line + "pause ba");
            }
            bool a = false, b = false;
            while (!(a && b) && Clock::now() - t0 < std::chrono::seconds(bound + 20)) {
                a = a || DeadReports(pair.dir + "/a/watch.log", c.kind) > deadA;
                b = b || DeadReports(pair.dir + "/b/watch.log", c.kind) > deadB;
                if (!(a && b)) std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            if (!(a && b)) {
                std::fprintf(stderr, "PathCutBench: %s not reported DEAD on both in %d s\n", c.name, bound + 20);
                rc = 1;
            }
            took.push_back(std::chrono::duration<double>(Clock::now() - t0).count());
            if (tcp) {
                Sh(link + "up");
            } else {
                Sh(line + "resume ab");
                Sh(line + "resume ba");
            }
            if (!pair.AwaitAlive(90)) {
                std::fprintf(stderr, "PathCutBench: the paths did not come back after %s\n", c.name);
                rc = 1;
            }
        }
        if (took.empty()) continue;
        char figure[64];
        std::snprintf(figure, sizeof figure, "%.1f s (%.1f-%.1f)", Median(took),
                      *std::min_element(took.begin(), took.end()), *std::max_element(took.begin(), took.end()));
        std::printf("%-26s %6zu %28s %8d s\n", c.name, took.size(), figure, bound);
        if (!WithinDetectionBound(c.name, took, interval, maxMiss)) rc = 1;
        std::fflush(stdout);
    }
    Sh(pair.Script("hv-pair.sh") + "down " + Quote(pair.dir));
    if (rc == 0) Sh("rm -rf " + Quote(tmpl));
    return rc;
}
