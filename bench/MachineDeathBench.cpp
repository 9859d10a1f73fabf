// MachineDeathBench (a small program, not Google Benchmark): on a pair of
// machines in namespaces (scripts/hv-pair.sh), the time from a machine's
// death (its PID namespace killed) to every hierarchy in service on the
// survivor, beside the time to the DEAD report of both paths alone and the
// bound hbInterval x hbMaxMiss, in the same run. The times start when the
// kill landed (the time the kill script recorded) and the DEAD reports are
// taken at the times the survivor's path watcher heard them (watch.times). The rounds alternate: SYSA
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
        const std::string times = pair.dir + "/" + survivor + "/watch.times";
        Sh(pair.Script("hv-system.sh") + "kill " + Quote(pair.dir + "/" + victim));
        // From the kill as it landed to the DEAD reports as the survivor's
        // watcher heard them (their times in watch.times): no polling delay.
        const double killed = StampIn(pair.dir + "/" + victim + "/killed.at");
        if (killed <= 0) {
            std::fprintf(stderr, "MachineDeathBench: round %d: the kill's time was not recorded\n", r + 1);
            rc = 1;
            break;
        }
        bool pathsDead = false, inService = false;
        while (!(pathsDead && inService) && EpochNow() - killed < bound + 40) {
            if (!pathsDead) {
                const double tli = ReportedAt(times, "TLI", "DEAD", killed);
                const double tty = ReportedAt(times, "TTY", "DEAD", killed);
                if (tli > 0 && tty > 0) {
                    pathsDead = true;
                    dead.push_back(std::max(tli, tty) - killed);
                }
            }
            // Seen by asking the survivor's database: at most one check late.
            if (!inService && Sh(pair.AllIsp(survivor)) == 0) {
                inService = true;
                isp.push_back(EpochNow() - killed);
            }
            if (!(pathsDead && inService)) std::this_thread::sleep_for(std::chrono::milliseconds(50));
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
