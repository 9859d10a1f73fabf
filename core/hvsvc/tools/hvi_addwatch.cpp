// hvi_addwatch: puts a process under HV-init monitoring. It starts the
// program through the monitor, or adopts one that runs (-m), takes a
// fault-resilient group number, registers the process in the HV-init table
// and, with -a, adds it to the configuration file.
#include "HvinitReport.h"
#include "HelpOption.h"
#include "HvinitTableView.h"
#include "MonitorRequests.h"
#include "OptionParser.h"
#include "ProcessList.h"
#include "ToolText.h"
#include "libHVinit.h"
#include "qdberr.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <thread>

namespace {

using hvtools::SlotCopy;

constexpr const char* kUsageLines =
    "[-a] [-g grpnum]\n"
    "[-c ciname] [-p polltime] [-r restart count] [-i restart interval]\n"
    "[-u restart time unit] [-f filename] {[-m {procname | pid}] path}\n";
constexpr int kInstanceNameMax = 30;  // characters, the NUL not counted: fewer than this
constexpr int kFileNameMax = 128;
constexpr int kCommandMax = 256;
constexpr int kAdoptTries = 3;

// What the command line asks for. "X" is none, 0 not given.
struct Settings {
    std::string command;
    std::string instanceName = "X";
    std::string fileName = "X";
    int groupNumber = 0;
    int pollTime = 0;
    int restartCount = 0;
    int restartInterval = 0;
    int restartTimeUnit = 0;
    bool pollGiven = false, countGiven = false, intervalGiven = false, unitGiven = false;
    const char* adopt = nullptr;  // -m
    bool addToConfig = false;
};

class AddWatch {
public:
    explicit AddWatch(const char* argv0) : name_(hvtools::ToolName(argv0)) {}
    int Run(int argc, char** argv);

private:
    int Fail() {
        table_.Close(0);
        return 1;
    }
    int UsageError(int id) {
        HVI_REPORT(6, id, "Usage %s %s", name_.c_str(), kUsageLines);
        return Fail();
    }
    bool Parse(int argc, char** argv, int* exitCode);
    void FillDefaults();
    int FindPid();
    bool Register(int pid, bool hasSlot, bool known);
    std::string ConfigRecord() const;

    std::string name_;
    Settings s_;
    hvtools::HvinitTableView table_;
};

// A number option's value, read as atoi reads it (leading digits, 0 for
// none) but held to the int range: "4294967297" must not read as 1.
int Number(const char* text) {
    if (text == nullptr) return 0;
    const long long value = std::strtoll(text, nullptr, 10);
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

bool AddWatch::Parse(int argc, char** argv, int* exitCode) {
    portlib::popterr = 0;
    for (int c; (c = portlib::getopt(argc, argv, "ag:c:p:r:i:u:f:m:")) != -1;) {
        const char* value = portlib::poptarg;
        switch (c) {
        case 'a': s_.addToConfig = true; break;
        case 'g':
            s_.groupNumber = Number(value);
            if (s_.groupNumber < 1 || s_.groupNumber > hvinit::kGroupCount) {
                HVI_REPORT(6, 19208, "Invalid Group Number  - '%d'\nUsage %s %s", s_.groupNumber, name_.c_str(),
                           kUsageLines);
                *exitCode = Fail();
                return false;
            }
            break;
        case 'c':
            s_.instanceName = value;
            if (s_.instanceName.size() >= kInstanceNameMax) {
                HVI_REPORT(6, 19209, "Cluster Instance Name, %s must be < %d characters long.\n", value,
                           kInstanceNameMax);
                *exitCode = Fail();
                return false;
            }
            break;
        case 'p':
            if (Number(value) > 0) s_.pollTime = Number(value), s_.pollGiven = true;
            break;
        case 'i':
            if (Number(value) > 0) s_.restartInterval = Number(value), s_.intervalGiven = true;
            break;
        case 'u':
            if (Number(value) > 0) s_.restartTimeUnit = Number(value), s_.unitGiven = true;
            break;
        case 'r':
            if (Number(value) < 0) s_.restartCount = -1, s_.countGiven = true;
            else if (Number(value) > 0) s_.restartCount = Number(value), s_.countGiven = true;
            break;
        case 'f':
            s_.fileName = value;
            if (s_.fileName.size() >= kFileNameMax) {
                HVI_REPORT(6, 19210, "File Name, %s must be < %d characters long.\n", value, kFileNameMax);
                *exitCode = Fail();
                return false;
            }
            break;
        case 'm': s_.adopt = value; break;
        default:
            HVI_REPORT(6, 19211, "Unknown option - '-%c'\nUsage %s %s", portlib::poptopt, name_.c_str(),
                       kUsageLines);
            *exitCode = Fail();
            return false;
        }
    }
    const int paths = argc - portlib::poptind;
    if (paths != 1) {
        *exitCode = UsageError(paths > 1 ? 19206 : 19212);
        return false;
    }
    s_.command = argv[portlib::poptind];
    if (s_.command.size() >= kCommandMax) {
        HVI_REPORT(6, 19207, "Process Name, %s (including process arguments) must be < %d characters long.\n",
                   s_.command.c_str(), kCommandMax);
        *exitCode = Fail();
        return false;
    }
    // Each value travels as one field of a blank-separated request.
    for (const std::string* v : {&s_.command, &s_.instanceName, &s_.fileName}) {
        if (!hvtools::IsRecordField(*v)) {
            HVI_REPORT(6, 19222, "%s: '%s' cannot be registered: it holds a blank, a control character or \"::\".\n",
                       name_.c_str(), v->c_str());
            *exitCode = Fail();
            return false;
        }
    }
    return true;
}

void AddWatch::FillDefaults() {
    const hvinit::HvinitHeader& h = table_.Table()->header;
    if (s_.pollTime == 0) s_.pollTime = h.pollTime;
    if (s_.restartCount == 0) s_.restartCount = h.restartCount;
    if (s_.restartInterval == 0) s_.restartInterval = h.restartInterval;
    if (s_.restartCount < 0) {
        s_.restartTimeUnit = 0;
        return;
    }
    const long window = static_cast<long>(s_.restartInterval) * s_.restartCount;
    if (s_.restartTimeUnit < window) s_.restartTimeUnit = static_cast<int>(std::min<long>(window, INT_MAX));
}

// The pid of the process: the running program, or the one -m names (0: none).
int AddWatch::FindPid() {
    if (s_.adopt == nullptr) {
        const int pid = find_pid_by_name(s_.command.c_str());
        return pid > 0 ? pid : 0;
    }
    if (is_pid_text(s_.adopt) == 1) {
        const int pid = Number(s_.adopt);
        // A pid given is adopted only while it names a process.
        return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM) ? pid : 0;
    }
    for (int attempt = 0; attempt < kAdoptTries; ++attempt) {
        if (attempt > 0) std::this_thread::sleep_for(std::chrono::seconds(1));
        const int pid = find_pid_by_name(s_.adopt);
        if (pid > 0) return pid;
    }
    return 0;
}

std::string AddWatch::ConfigRecord() const {
    auto number = [](bool given, int value) { return given ? std::to_string(value) : std::string("X"); };
    return s_.command + "::" + std::to_string(s_.groupNumber) + "::" + s_.instanceName + "::" +
           number(s_.pollGiven, s_.pollTime) + "::" + number(s_.countGiven, s_.restartCount) + "::" +
           number(s_.intervalGiven, s_.restartInterval) + "::" + number(s_.unitGiven, s_.restartTimeUnit) + "::" +
           s_.fileName;
}

bool AddWatch::Register(int pid, bool hasSlot, bool known) {
    long value = 0;
    if (s_.addToConfig) {
        const std::string record = ConfigRecord();
        if (!hvtools::Ask(hvinit::kCmdUpdateConf, {record.c_str(), "0"}, &value) || value == -2) return false;
    }
    const bool waits = s_.instanceName != "X";
    const std::string shared = std::to_string(s_.groupNumber) + "::" + s_.instanceName + "::" +
                               std::to_string(s_.pollTime) + "::" + std::to_string(s_.restartCount) + "::" +
                               std::to_string(s_.restartInterval) + "::" + std::to_string(s_.restartTimeUnit) +
                               "::" + s_.fileName;
    std::string record = s_.command + "::" + (waits ? std::string("-1") : std::to_string(pid)) + "::" + shared;
    if (waits) record += "::0::0::0::W::6";
    else if (known) record += "::-::-::-::M::6";  // next poll, fail count and window kept
    else record += "::0::0::0::M::6";
    return hvtools::Ask(hvinit::kCmdUpdate, {record.c_str(), hasSlot ? "2" : "0"}, &value) && value != -2;
}

int AddWatch::Run(int argc, char** argv) {
    if (argc < 2) return UsageError(19201);
    if (!table_.OpenWhenServing(19202, 19203, 19204)) return Fail();
    int exitCode = 1;
    if (!Parse(argc, argv, &exitCode)) return exitCode;
    FillDefaults();
    const std::string system = table_.SystemName();

    int pid = FindPid();
    if (s_.adopt != nullptr && pid <= 0) {
        HVI_REPORT(6, 19213, "Process %s is not running on machine %s.\n", s_.adopt, system.c_str());
        return Fail();
    }
    const std::string program = hvtools::ProgramPart(s_.command);
    struct stat st {};
    if (::stat(program.c_str(), &st) != 0) {
        HVI_REPORT(6, 19217, "Cannot access the file, %s on machine %s.\n", program.c_str(), system.c_str());
        return Fail();
    }

    bool hasSlot = false, pending = false, known = false;
    for (int i = 0; i < hvinit::kSlotCount && pid > 0; ++i) {
        const hvinit::HvinitSlot& slot = table_.Table()->slots[i];
        if (slot.inUse == 1 && slot.pid == pid) {
            HVI_REPORT(6, 19215, "HV-init is already monitoring the process %s on machine %s.\n", s_.command.c_str(),
                       system.c_str());
            return Fail();
        }
    }
    for (int i = 0; i < hvinit::kSlotCount && !hasSlot; ++i) {
        if (table_.Table()->slots[i].inUse != 1) continue;
        const SlotCopy slot = table_.Slot(i);
        if (hvtools::ProgramPart(slot.command) != program) continue;
        hasSlot = true;
        pending = slot.state == hvinit::kStateInitializing || slot.state == hvinit::kStateWaiting;
        known = slot.state == hvinit::kStateKilled || slot.state == hvinit::kStateMonitoring;
    }
    if (pending) {
        HVI_REPORT(6, 19218, "HV-init is already monitoring process %s on machine %s.\n", s_.command.c_str(),
                   system.c_str());
        return Fail();
    }

    const std::string commandLine = hvtools::CommandLineOf(s_.command);
    if (s_.adopt == nullptr && s_.instanceName == "X") {
        // The monitor starts it (or adopts it when it runs already); the
        // reply is "<pid> <handle>", whole: a pid may have 7 digits.
        char reply[64] = "";
        const bool started = hvinit::Request(reply, sizeof reply, hvinit::kCmdFork, {s_.command.c_str()}) == 0;
        const long forked = started ? std::strtol(reply, nullptr, 10) : -2;
        if (forked <= 0) {
            HVI_REPORT(3, 19219, "%s of process %s has failed.\n", name_.c_str(), commandLine.c_str());
            return Fail();
        }
        pid = static_cast<int>(forked);
    }

    const int group = hasSlot ? getgroupnum(s_.command.c_str())
                              : (s_.groupNumber > 0 ? s_.groupNumber : getgroupnum(nullptr));
    if (group < 0) {
        HVI_REPORT(6, 19216, "Unable to get the fault resilient group number.\n");
        return Fail();
    }
    s_.groupNumber = group;

    if (!Register(pid, hasSlot, known)) {
        HVI_REPORT(3, 19220, "%s of process %s has failed.\n", name_.c_str(), commandLine.c_str());
        return Fail();
    }
    HVI_REPORT(6, 19221, "%s of process %s has completed successfully.\n", name_.c_str(), commandLine.c_str());
    table_.Close(0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (portlib::AsksForHelp(argc, argv))
        return hvtools::PrintToolHelp(argv[0], std::string("Usage %s ") + kUsageLines,
                                      "\nStarts path through the HV-init monitor, or adopts the running process\n"
                                      "(-m procname or pid), and has the monitor watch and restart it; -a also\n"
                                      "adds it to the configuration file (-f). Reports go to standard error and,\n"
                                      "for errors, to the event log.\n"
                                      "Exit status: 0 done; 1 bad command line or the request failed.\n");
    set_errinfo("HV-init:hvi_addwatch", "GENERAL", 1024, nullptr);
    return AddWatch(argc > 0 ? argv[0] : "hvi_addwatch").Run(argc, argv);
}
