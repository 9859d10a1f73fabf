// PathCutBench (a small program, not Google Benchmark): the time from a
// path's cut to its DEAD report on both systems of a pair of machines in
// namespaces (scripts/hv-pair.sh), beside the bound the paths are set up
// with, hbInterval x hbMaxMiss. A TCP path is cut by taking the veth link
// down, a serial path by pausing the line simulator both ways; after each
// round the cut is healed and the paths are awaited ALIVE again. A round's
// time runs from the cut as it landed (the harness records when: the link
// taken down, the first direction of the line paused) to the later of the two
// DEAD reports as the systems' path watchers heard them (watch.times). Needs root
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
            // The cut's time as it landed (the harness records it), the DEAD
            // reports' as each system's watcher heard them (watch.times).
            if (tcp) {
                Sh(link + "down");
            } else {
                Sh(line + "pause ab");
            }
            const double cut = StampIn(pair.dir + (tcp ? "/link.at" : "/line.at"));
            if (!tcp) Sh(line + "pause ba");
            double a = 0, b = 0;
            while (!(a > 0 && b > 0) && EpochNow() - cut < bound + 20) {
                if (a <= 0) a = ReportedAt(pair.dir + "/a/watch.times", c.kind, "DEAD", cut);
                if (b <= 0) b = ReportedAt(pair.dir + "/b/watch.times", c.kind, "DEAD", cut);
                if (!(a > 0 && b > 0)) std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            if (cut <= 0 || !(a > 0 && b > 0)) {
                std::fprintf(stderr, "PathCutBench: %s not reported DEAD on both in %d s\n", c.name, bound + 20);
                rc = 1;
            } else {
                took.push_back(std::max(a, b) - cut);
            }
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
