// MachineDeathBench (a small program, not Google Benchmark): on a pair of
// machines in namespaces (scripts/hv-pair.sh), the time from a machine's
// death (its PID namespace killed) to every hierarchy in service on the
// survivor, beside the time to the DEAD report of both paths alone and the
// bound hbInterval x hbMaxMiss, in the same run. The rounds alternate: SYSA
// dies (SYSB takes H1 over), boots again and rejoins, then SYSB dies (SYSA
// takes both), and so on. Needs root and network namespaces (skipped
// elsewhere). Set-up retries are shortened tenfold (HV_TEST_TIME_SCALE=0.1)
// unless the environment says otherwise. Exits 1 when the paths were
// reported DEAD later than the detection bound allows.
//
// From the second round on, the survivor is a machine that rejoined: it takes
// back its own primary because its copy of the other system was loaded again
// when its paths came up.
//
//     MachineDeathBench [--rounds N]     (default 1)
#include "support/PairBench.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

using namespace pairbench;

namespace {

using Clock = std::chrono::steady_clock;

struct Pair : PairRun {
    bool Await(const std::string& check, int secs) const { return PairRun::Await(check, secs, 100); }
    // Every instance of H1 and H2 (six) ISP on system s.
    std::string AllIsp(char s) const {
        return Script("hv-system.sh") + "exec " + Quote(dir + "/" + s) +
               " hvconfig ins state | awk '$2 == \"ISP\"' | wc -l | grep -qx 6";
    }
};

std::string Figure(const std::vector<double>& v) {
    if (v.empty()) return "-";
    char f[64];
    std::snprintf(f, sizeof f, "%.1f s (%.1f-%.1f)", Median(v), *std::min_element(v.begin(), v.end()),
                  *std::max_element(v.begin(), v.end()));
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 0;
    if (!ParseRounds(argc, argv, "MachineDeathBench", 1, 10, &rounds)) return 64;
    ::setenv("HV_TEST_TIME_SCALE", "0.1", 0);
    const std::string bin = ProgramDir();
    if (bin.empty()) return 1;
    char tmpl[] = "/tmp/hvd.XXXXXX";
    if (::mkdtemp(tmpl) == nullptr) return 1;
    Pair pair{{HV_SOURCE_DIR "/scripts", std::string(tmpl) + "/p"}};
    const std::string alive = pair.Script("hv-audit.sh") + "--paths " + Quote(pair.dir);

    const int up = Sh(pair.Script("hv-pair.sh") + "up " + Quote(pair.dir) + " " + Quote(bin));
    if (up == 77) {
        std::printf("MachineDeathBench: skipped (network namespaces need root here)\n");
        Sh("rm -rf " + Quote(tmpl));
        return 0;
    }
    int rc = 0;
    if (up != 0 || !pair.Await(alive, 90)) {
        std::fprintf(stderr, "MachineDeathBench: the pair did not come up (logs in %s)\n", pair.dir.c_str());
        Sh(pair.Script("hv-pair.sh") + "down " + Quote(pair.dir));
        return 1;
    }
    const std::string env = pair.dir + "/pair.env";
    const int interval = std::atoi(EnvValue(env, "HB_INTERVAL").c_str());
    const int maxMiss = std::atoi(EnvValue(env, "HB_MAXMISS").c_str());
    const int bound = interval * maxMiss;
    std::vector<double> dead, isp;
    for (int r = 0; r < rounds && rc == 0; ++r) {
        const char victim = r % 2 == 0 ? 'a' : 'b', survivor = r % 2 == 0 ? 'b' : 'a';
        const std::string log = pair.dir + "/" + survivor + "/watch.log";
        const int tli = DeadReports(log, "TLI"), tty = DeadReports(log, "TTY");
        const auto t0 = Clock::now();
        Sh(pair.Script("hv-system.sh") + "kill " + Quote(pair.dir + "/" + victim));
        bool pathsDead = false, inService = false;
        while (!(pathsDead && inService) && Clock::now() - t0 < std::chrono::seconds(bound + 40)) {
            if (!pathsDead && DeadReports(log, "TLI") > tli && DeadReports(log, "TTY") > tty) {
                pathsDead = true;
                dead.push_back(std::chrono::duration<double>(Clock::now() - t0).count());
            }
            if (!inService && Sh(pair.AllIsp(survivor)) == 0) {
                inService = true;
                isp.push_back(std::chrono::duration<double>(Clock::now() - t0).count());
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (!(pathsDead && inService)) {
            std::fprintf(stderr, "MachineDeathBench: round %d: paths DEAD %d, all in service %d within %d s\n", r + 1,
                         pathsDead, inService, bound + 40);
            rc = 1;
            break;
        }
        if (r + 1 < rounds && (Sh(pair.Script("hv-pair.sh") + "start " + Quote(pair.dir) + " " + victim) != 0 ||
                               !pair.Await(alive, 90))) {
            std::fprintf(stderr, "MachineDeathBench: the dead machine did not rejoin\n");
            rc = 1;
        }
    }
    std::printf("%-44s %6s %22s\n", "after a machine's death, on the survivor", "rounds", "median (min-max)");
    std::printf("%-44s %6zu %22s\n", "both paths DEAD (detection alone)", dead.size(), Figure(dead).c_str());
    std::printf("%-44s %6zu %22s\n", "every hierarchy ISP (detection and failover)", isp.size(), Figure(isp).c_str());
    std::printf("%-44s %6s %20d s\n", "bound hbInterval x hbMaxMiss", "-", bound);
    if (rc == 0 && !WithinDetectionBound("both paths DEAD", dead, interval, maxMiss)) rc = 1;
    Sh(pair.Script("hv-pair.sh") + "down " + Quote(pair.dir));
    if (rc == 0) Sh("rm -rf " + Quote(tmpl));
    return rc;
}
