// A console reporter that also collects the real time per run name, to print
// afterwards how our code compares with its baseline in the same run.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs) {
            if (run.error_occurred) continue;
            // Single runs, or the means when only aggregates are reported.
            const bool single = run.run_type == Run::RT_Iteration;
            if (!single && run.aggregate_name != "mean") continue;
            auto& [sum, count] = (single ? times_ : means_)[run.run_name.function_name];
            sum += run.GetAdjustedRealTime();
            ++count;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // Under title, one line per pair: the time of "<pair><ours>" over that of
    // "<pair><base>", where both ran.
    void PrintRatios(const char* title, std::initializer_list<const char*> pairs, const char* ours,
                     const char* base) const {
        PrintPairs(title, pairs, ours, base,
                   [](const char* pair, double mine, double theirs) { std::printf("  %-18s %.2fx\n", pair, mine / theirs); });
    }

    // The same pairs as differences: ours minus base, in microseconds (for
    // runs reported in nanoseconds, the default unit).
    void PrintDifferences(const char* title, std::initializer_list<const char*> pairs, const char* ours,
                          const char* base) const {
        PrintPairs(title, pairs, ours, base, [](const char* pair, double mine, double theirs) {
            std::printf("  %-18s %+.1f us\n", pair, (mine - theirs) / 1000.0);
        });
    }

private:
    template <typename Line>
    void PrintPairs(const char* title, std::initializer_list<const char*> pairs, const char* ours, const char* base,
                    Line line) const {
        std::printf("\n%s\n", title);
        for (const char* pair : pairs) {
            const double mine = Mean(std::string(pair) + ours);
            const double theirs = Mean(std::string(pair) + base);
            if (mine > 0 && theirs > 0) line(pair, mine, theirs);
        }
    }
    double Mean(const std::string& name) const {
        const auto& table = times_.empty() ? means_ : times_;
        auto it = table.find(name);
        return (it == table.end() || it->second.second == 0) ? 0 : it->second.first / it->second.second;
    }
    std::map<std::string, std::pair<double, int>> times_;
    std::map<std::string, std::pair<double, int>> means_;
};
