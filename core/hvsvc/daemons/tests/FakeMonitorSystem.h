// A process layer for the monitor's logic: processes are numbers in a map,
// the clock moves only when told (or by Sleep), and every start, kill and
// run is recorded.
#pragma once

#include "HvinitConfigLine.h"
#include "MonitorSystem.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace hvsvctest {

class FakeMonitorSystem : public hvsvc::MonitorSystem {
public:
    std::int64_t now = 1'000'000;
    int startCost = 0;   // seconds a start takes
    int failStarts = 0;  // the next starts that fail
    std::set<std::string> inactive;  // cluster instances not active
    std::map<std::string, int> running;  // program -> pid
    std::vector<std::string> starts;     // program of each start
    std::vector<hvsvc::ProcessLog> logs;
    std::vector<int> kills;              // pids
    std::vector<std::vector<std::string>> runs;

    std::int64_t Now() override { return now; }
    void Sleep(int seconds) override { now += seconds; }
    int FindPid(const char* command) override {
        const auto it = running.find(hvsvc::HvinitConfigLine::ProgramPart(command));
        return it == running.end() ? -1 : it->second;
    }
    int Open(int pid, const char*, int* error) override {
        if (!Running(pid)) {
            *error = 87;
            return -1;
        }
        handles_[nextHandle_] = pid;
        return nextHandle_++;
    }
    int Start(const std::vector<std::string>& argv, const hvsvc::ProcessLog& log, int* pid, int* handle) override {
        now += startCost;
        if (failStarts > 0) {
            --failStarts;
            return 2;
        }
        *pid = nextPid_++;
        running[argv[0]] = *pid;
        starts.push_back(argv[0]);
        logs.push_back(log);
        handles_[nextHandle_] = *pid;
        *handle = nextHandle_++;
        return 0;
    }
    int Run(const std::vector<std::string>& argv) override {
        runs.push_back(argv);
        return 0;
    }
    bool Alive(int handle) override { return handles_.count(handle) != 0 && Running(handles_[handle]); }
    int Kill(int handle) override {
        if (handles_.count(handle) == 0) return 6;
        const int pid = handles_[handle];
        kills.push_back(pid);
        for (auto it = running.begin(); it != running.end();)
            it = it->second == pid ? running.erase(it) : std::next(it);
        return 0;
    }
    void Close(int handle) override { handles_.erase(handle); }
    void Reap() override {}
    bool InstanceActive(const char* instance) override { return inactive.count(instance) == 0; }

    void Die(const std::string& program) { running.erase(program); }
    bool Running(int pid) const {
        for (const auto& [program, p] : running)
            if (p == pid) return true;
        return false;
    }
    std::size_t OpenHandles() const { return handles_.size(); }
    int KillsOf(int pid) const {
        int n = 0;
        for (int k : kills) n += k == pid;
        return n;
    }

private:
    int nextPid_ = 100;
    int nextHandle_ = 10;
    std::map<int, int> handles_;  // handle -> pid
};

}  // namespace hvsvctest
