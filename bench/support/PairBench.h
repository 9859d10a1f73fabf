// Helpers of the benchmarks that run a pair of machines in namespaces
// through the harness scripts (scripts/hv-pair.sh): shell calls, the
// watchers' logs, the pair's settings.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace pairbench {

inline std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

inline int Sh(const std::string& cmd, bool quiet = true) {
    const int rc = std::system((cmd + (quiet ? " >/dev/null 2>&1" : "")).c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The time (seconds since the epoch, as bash's EPOCHREALTIME) a harness
// script wrote into file when its fault landed; 0 when there is none.
inline double StampIn(const std::string& file) {
    std::istringstream in(ReadText(file));
    double t = 0;
    return in >> t ? t : 0;
}

// When the path watcher whose lines (each after its time) are in times
// heard its path of kind turn state, first at or after `after`; 0 when it
// did not. A line: "<time> PATH <local> <device> <kind> <remote> <remote> <state>".
inline double ReportedAt(const std::string& times, const std::string& kind, const std::string& state, double after) {
    std::istringstream in(ReadText(times));
    for (std::string line; std::getline(in, line);) {
        std::istringstream f(line);
        std::vector<std::string> w;
        for (std::string word; f >> word;) w.push_back(word);
        if (w.size() < 8 || w[1] != "PATH" || w[4] != kind || w[7] != state) continue;
        const double t = std::strtod(w[0].c_str(), nullptr);
        if (t >= after) return t;
    }
    return 0;
}

// Seconds since the epoch now, on the clock of the scripts' stamps.
inline double EpochNow() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

inline std::string EnvValue(const std::string& file, const std::string& key) {
    std::istringstream in(ReadText(file));
    for (std::string line; std::getline(in, line);)
        if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
    return "";
}

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The detection bound of a pair's paths: a path is reported DEAD between
// hbInterval x hbMaxMiss and one interval later after its last beat; two
// seconds more for the notice to reach a watcher on a loaded machine. Prints
// whether every figure kept within it; false when one did not.
inline bool WithinDetectionBound(const char* what, const std::vector<double>& took, int interval, int maxMiss) {
    const double limit = interval * maxMiss + interval + 2.0;
    double most = 0;
    for (double t : took) most = t > most ? t : most;
    const bool within = !took.empty() && most <= limit;
    std::printf("%s: slowest %.1f s, limit %.1f s (hbInterval x hbMaxMiss + hbInterval + 2 s): %s\n", what, most, limit,
                within ? "within" : "OVER THE BOUND");
    return within;
}

// A pair of the harness scripts in dir.
struct PairRun {
    std::string scripts, dir;
    std::string Script(const std::string& name) const { return "bash " + Quote(scripts + "/" + name) + " "; }
    // Runs the shell command check every pollMs until it succeeds, at most
    // secs seconds; whether it did.
    bool Await(const std::string& check, int secs, int pollMs) const {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(secs);
        while (std::chrono::steady_clock::now() < end) {
            if (Sh(check) == 0) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
        }
        return false;
    }
};

// "--rounds N" (1 to most, default def) of the program's command line into
// *rounds; false after a usage message.
inline bool ParseRounds(int argc, char** argv, const char* name, int def, int most, int* rounds) {
    *rounds = def;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc) {
            *rounds = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: %s [--rounds N]\n", name);
            return false;
        }
    }
    if (*rounds < 1 || *rounds > most) {
        std::fprintf(stderr, "%s: --rounds is 1 to %d\n", name, most);
        return false;
    }
    return true;
}

// The directory of this program (the built programs beside it); "" if unknown.
inline std::string ProgramDir() {
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "";
    self[n] = '\0';
    std::string bin(self);
    bin.erase(bin.rfind('/'));
    return bin;
}

}  // namespace pairbench
