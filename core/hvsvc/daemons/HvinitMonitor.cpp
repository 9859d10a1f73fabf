#include "HvinitMonitor.h"

#include "qdbexec.h"
#include "HvinitConfigLine.h"
#include "HvinitTunables.h"
#include "libHVinit.h"
#include "qdberr.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace hvsvc {

namespace {

constexpr const char* kFixLine = "Correct the config file entry and start the process using the hvi_addwatch command.\n";

std::string Text(const char* field, std::size_t size) { return std::string(field, strnlen(field, size)); }

}  // namespace

std::string HvinitMonitor::Request(int command, const char* argument) const {
    char request[HvinitDispatcher::kRequestBytes];
    std::snprintf(request, sizeof request, "%d %s ", command, argument);
    char reply[HvinitDispatcher::kReplyBytes];
    dispatcher_.Dispatch(request, reply);
    return reply;
}

void HvinitMonitor::FillNewTable(int serverPid, const char* systemName) {
    hvinit::HvinitHeader& h = table_->header;
    h.freeSlots = hvinit::kSlotCount;
    h.serverReady = 0;
    h.serverPid = serverPid;
    h.pipeHandle = hvinit::kNone;
    std::snprintf(h.systemName, sizeof h.systemName, "%s", systemName);
    HvinitTunables::Load(paths_.tunables, &h);
    for (std::int32_t& g : h.groupStates) g = hvinit::kGroupFree;
    for (hvinit::HvinitSlot& s : table_->slots) {
        s.inUse = 0;
        s.lastStartedPid = hvinit::kNone;
        s.exitValue = hvinit::kNone;
    }
    handles_.ClearTable();
}

void HvinitMonitor::AdoptTable(int serverPid) {
    table_->header.serverPid = serverPid;
    // The pass looks every process up again and holds a handle of its own.
    handles_.ClearTable();
}

bool HvinitMonitor::StartSlot(int n, const char* message) {
    hvinit::HvinitSlot& s = table_->slots[n];
    const std::string command = Text(s.command, sizeof s.command);
    const std::string reply = Request(hvinit::kCmdFork, command.c_str());
    long pid = -2;
    long handle = 0;
    if (std::sscanf(reply.c_str(), "%ld %ld", &pid, &handle) < 1 || pid == -2) return false;
    handles_.Hold(n, static_cast<int>(handle));
    s.pid = static_cast<std::int32_t>(pid);
    s.state = hvinit::kStateMonitoring;
    s.lastStartedPid = s.pid;
    std::printf(message, command.c_str(), static_cast<int>(pid), static_cast<int>(handle));
    return true;
}

bool HvinitMonitor::ReadConfiguration() {
    const std::string& path = paths_.config;
    std::ifstream in(path);
    if (!in.is_open()) {
        if (std::ofstream(path).is_open()) return true;
        pxm_err(2, 19031, __FILE__, __LINE__, 0, 0, "Config file, %s could not be created.\n", path.c_str());
        return false;
    }
    const std::int64_t now = system_.Now();
    int lineNumber = 0;
    int position = 0;
    for (std::string line; std::getline(in, line);) {
        ++lineNumber;
        if (HvinitConfigLine::IsComment(line)) continue;
        const std::vector<std::string> fields = HvinitConfigLine::Split(line);
        if (fields.empty()) continue;  // a blank line: nothing to monitor, the next lines still count
        const int n = position++;
        ConfigEntry e;
        if (HvinitConfigLine::Parse(fields, table_->header, &e) != 0) {
            pxm_err(3, 19032, __FILE__, __LINE__, 0, 0, "Error encounterd in config file, %s at line %d.\n",
                    path.c_str(), lineNumber);
            pxm_err(6, 19033, __FILE__, __LINE__, 0, 0, kFixLine);
            continue;
        }
        if (dispatcher_.FindSlot(e.command.c_str()) >= 0) {
            pxm_err(3, 19034, __FILE__, __LINE__, 0, 0, "Error encounterd in config file, %s at line %d.\n",
                    path.c_str(), lineNumber);
            pxm_err(6, 19035, __FILE__, __LINE__, 0, 0,
                    "Duplicate process, %s found. HV-init cannot monitor the duplicate processes. The duplicate "
                    "process %s will be ignored.\n",
                    e.command.c_str(), e.command.c_str());
            --position;
            if (std::atoi(Request(hvinit::kCmdConfign, e.command.c_str()).c_str()) == -2)
                (void)Request(hvinit::kCmdConfign, e.command.c_str());
            continue;
        }
        if (n >= kMostSlots) {
            pxm_err(3, 19042, __FILE__, __LINE__, 0, 0,
                    "Holdervane PXM HV-init can only monitor up to %d processes.\nProcess %s cannot be monitored.\n",
                    kMostSlots, e.command.c_str());
            continue;
        }
        if (const int id = HvinitConfigLine::LengthError(e)) {
            const char* what = id == 19036 ? "Process Name (including process arguments)" : id == 19038 ? "Ciname" : "File Name";
            const int limit = id == 19036 ? 256 : id == 19038 ? 30 : 128;
            pxm_err(3, id, __FILE__, __LINE__, 0, 0, "Error encounterd in config file, %s at line %d.\n%s must be < %d characters long.\n",
                    path.c_str(), lineNumber, what, limit);
            pxm_err(6, id + 1, __FILE__, __LINE__, 0, 0, kFixLine);
            continue;
        }
        hvinit::HvinitSlot& s = table_->slots[n];
        std::snprintf(s.command, sizeof s.command, "%s", e.command.c_str());
        s.pid = hvinit::kNone;
        int group = e.group;
        if (group == 0) {
            for (int g = 1; g <= hvinit::kGroupCount && group == 0; ++g)
                if (table_->header.groupStates[g] == hvinit::kGroupFree) group = g;
        }
        if (group > 0) table_->header.groupStates[group] = hvinit::kGroupUsed;
        s.groupNumber = group;
        std::snprintf(s.instanceName, sizeof s.instanceName, "%s", e.instance.c_str());
        s.pollTime = e.pollTime;
        s.restartCount = e.restartCount;
        s.restartInterval = e.restartInterval;
        s.restartTimeUnit = e.restartTimeUnit;
        std::snprintf(s.fileName, sizeof s.fileName, "%s", e.fileName.c_str());
        s.nextPollTime = static_cast<std::int32_t>(now);
        s.failCount = 0;
        s.windowEnd = 0;
        s.state = hvinit::kStateInitializing;
        s.registrationTag = hvinit::kRegistrationTag;
        handles_.Drop(n);
        --table_->header.freeSlots;
        s.inUse = 1;
        if (e.instance == "X" || system_.InstanceActive(s.instanceName)) {
            (void)StartSlot(n, "Hvinit: process [%s] forked pid %d, handle %d\n");
        } else {
            s.pid = hvinit::kNone;
            s.state = hvinit::kStateWaiting;
        }
    }
    return true;
}

void HvinitMonitor::Begin() {
    table_->header.serverReady = 1;
    pxm_err(6, 19064, __FILE__, __LINE__, 0, 0, "Holdervane PXM HV-init INITIALIZATION IS COMPLETED.\n");
    loopTime_ = system_.Now();
    nextAgeing_ = loopTime_;
}

void HvinitMonitor::Pass() {
    loopTime_ = system_.Now();
    if (nextAgeing_ > loopTime_ + kAgeingSeconds) nextAgeing_ = loopTime_;  // the clock was set back
    if (loopTime_ >= nextAgeing_) {
        for (std::int32_t& g : table_->header.groupStates) {
            if (g == hvinit::kGroupHandedOut) g = hvinit::kGroupAgeing;
            else if (g == hvinit::kGroupAgeing) g = hvinit::kGroupFree;
        }
        nextAgeing_ += kAgeingSeconds;
        if (nextAgeing_ <= loopTime_) nextAgeing_ = loopTime_ + kAgeingSeconds;
    }
    for (int n = 0; n < hvinit::kSlotCount; ++n) {
        hvinit::HvinitSlot& s = table_->slots[n];
        if (s.inUse != 1) continue;
        groupKilled_ = false;
        switch (s.state) {
        case hvinit::kStateDead:
        case hvinit::kStateStopped: break;
        case hvinit::kStateInitializing: (void)StartSlot(n, "Init: process [%s] forked pid %d, handle %d\n"); break;
        case hvinit::kStateWaiting: {
            const std::string instance = Text(s.instanceName, sizeof s.instanceName);
            if (instance != "X" && !system_.InstanceActive(instance.c_str())) break;
            pxm_err(6, 19030, __FILE__, __LINE__, 0, 0,
                    "Cluster %s is alive. Process %s will be started by HV-init on machine %s.\n", instance.c_str(),
                    Text(s.command, sizeof s.command).c_str(),
                    Text(table_->header.systemName, sizeof table_->header.systemName).c_str());
            (void)StartSlot(n, "checkchild: process [%s] forked pid %d, handle %d\n");
            break;
        }
        default: Poll(n); break;
        }
    }
    system_.Reap();
}

void HvinitMonitor::Poll(int n) {
    hvinit::HvinitSlot& s = table_->slots[n];
    // The table holds wall-clock times: a poll time further ahead than any
    // this monitor sets means the clock was set back, and the slot is polled
    // now rather than after that step.
    const std::int64_t furthest = loopTime_ + std::max<std::int64_t>(s.pollTime, s.restartInterval) +
                                  HvinitProcessControl::kKillPollDelay;
    if (loopTime_ < s.nextPollTime && s.nextPollTime <= furthest) return;
    s.nextPollTime = static_cast<std::int32_t>(loopTime_ + s.pollTime);
    bool alive = false;
    if (s.state != hvinit::kStateKilled) {
        int handle = handles_.Held(n);
        const std::string command = Text(s.command, sizeof s.command);
        if (handle == 0 && s.pid > 1 && system_.FindPid(command.c_str()) == s.pid) {
            int err = 0;
            handle = system_.Open(s.pid, command.c_str(), &err);
            handles_.Hold(n, handle);
            handle = handles_.Held(n);
        }
        if (handle > 1 && system_.Alive(handle)) alive = true;
        else if (handle > 1) handles_.Drop(n);
    }
    if (alive) {
        if (loopTime_ >= s.windowEnd) {
            s.failCount = 0;
            s.windowEnd = 0;
        }
        return;
    }
    s.pid = hvinit::kNone;
    Restart(n);
    if (!groupKilled_) return;
    const std::int32_t group = s.groupNumber;
    for (int m = 0; m < hvinit::kSlotCount; ++m) {
        const hvinit::HvinitSlot& other = table_->slots[m];
        if (m != n && other.inUse == 1 && other.groupNumber == group && other.state == hvinit::kStateKilled) Restart(m);
    }
}

void HvinitMonitor::Restart(int n) {
    hvinit::HvinitSlot& s = table_->slots[n];
    const std::string command = Text(s.command, sizeof s.command);
    if (s.state != hvinit::kStateKilled) GroupKill(n, false);
    ++s.failCount;
    if (s.windowEnd <= 0) s.windowEnd = static_cast<std::int32_t>(loopTime_ + s.restartTimeUnit);
    const bool allowed = s.restartCount < 0 || s.restartCount >= s.failCount;
    const char state = s.state;
    if (allowed && (state == hvinit::kStateInitializing || state == hvinit::kStateKilled ||
                    state == hvinit::kStateMonitoring)) {
        const std::string instance = Text(s.instanceName, sizeof s.instanceName);
        if (s.inUse == 1 && (instance == "X" || system_.InstanceActive(instance.c_str()))) {
            std::string line = command;
            for (char& c : line)
                if (c == '|') c = ' ';
            pxm_err(3, 19025, __FILE__, __LINE__, 0, 0,
                    "Process %s failed - Will be restarted; Fail Count=%d; Restart Allowed=%d;\n", line.c_str(),
                    s.failCount, s.restartCount);
            const std::string reply = Request(hvinit::kCmdRecover, command.c_str());
            long pid = -2;
            long handle = 0;
            if (std::sscanf(reply.c_str(), "%ld %ld", &pid, &handle) < 1 || pid == -2) {
                // The start failed: it is not the process's failure.
                --s.failCount;
                s.windowEnd += static_cast<std::int32_t>(system_.Now() - loopTime_);
            } else {
                handles_.Hold(n, static_cast<int>(handle));
                s.pid = static_cast<std::int32_t>(pid);
                s.state = hvinit::kStateMonitoring;
                s.lastStartedPid = s.pid;
                std::printf("restart: process [%s] Recovered pid %d, handle %d\n", command.c_str(),
                            static_cast<int>(pid), static_cast<int>(handle));
            }
        } else {
            s.pid = hvinit::kNone;
            s.state = hvinit::kStateWaiting;
        }
        s.nextPollTime = static_cast<std::int32_t>(loopTime_ + s.restartInterval);
        return;
    }
    pxm_err(3, 19026, __FILE__, __LINE__, 0, 0,
            "Process %s totally failed - Will be considered as a DEAD process; Fail Count=%d; Restart Allowed=%d\n",
            command.c_str(), s.failCount, s.restartCount);
    s.pid = hvinit::kNone;
    s.state = hvinit::kStateDead;
    GroupKill(n, true);
    const std::string fileName = Text(s.fileName, sizeof s.fileName);
    if (fileName != "X" && !fileName.empty()) {
        const std::vector<std::string> argv = cfgstore::SplitCommandLine(fileName);
        if (argv.empty() || system_.Run(argv) != 0)
            pxm_err(4, 19028, __FILE__, __LINE__, 0, 0, "Exec'ing %s failed.\n", fileName.c_str());
    }
}

void HvinitMonitor::GroupKill(int n, bool dead) {
    const std::int32_t group = table_->slots[n].groupNumber;
    // Group 0 is no group: processes without a number are not tied together.
    if (group < 1) return;
    for (int m = 0; m < hvinit::kSlotCount; ++m) {
        hvinit::HvinitSlot& other = table_->slots[m];
        if (m == n || other.inUse != 1 || other.groupNumber != group || other.pid <= 1) continue;
        if (other.state == hvinit::kStateKilled) other.pid = hvinit::kNone;
        // One KILL per member: it ends the process but leaves the pid in the slot.
        if (other.pid > 1) (void)Request(hvinit::kCmdKill, (std::to_string(other.pid) + " 5").c_str());
        other.nextPollTime = static_cast<std::int32_t>(system_.Now());
        if (dead) {
            other.pid = hvinit::kNone;
            other.state = hvinit::kStateStopped;
        } else {
            other.state = hvinit::kStateKilled;
            groupKilled_ = true;
        }
    }
}

}  // namespace hvsvc
