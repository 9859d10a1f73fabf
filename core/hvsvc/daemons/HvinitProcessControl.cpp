#include "HvinitProcessControl.h"

#include "HvinitConfigLine.h"
#include "InstallPaths.h"
#include "RegHV.h"
#include "UnixPath.h"
#include "qdberr.h"
#include "platform/Win32Error.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace hvsvc {

std::vector<std::string> HvinitProcessControl::Argv(const std::string& command) {
    std::vector<std::string> argv;
    std::size_t start = 0;
    for (;;) {
        const std::size_t bar = command.find('|', start);
        const std::string word = command.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
        if (!word.empty()) argv.push_back(word);
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    return argv;
}

ProcessLog HvinitProcessControl::LogFor(const std::string& command, bool append) {
    ProcessLog log;
    log.append = append;
    char value[64];
    portlib::DWORD size = sizeof value;
    portlib::DWORD type = 0;
    if (portlib::RegHVGetStr("HVINIT", "ProcessLogging", value, &size, &type) != 0 || std::atoi(value) == 0)
        return log;
    std::string root;
    const int rc = InstallPaths::RootDir(&root);
    if (rc != 0) {
        std::printf("RegHVGetStr failed %d, %s\n", rc, "RootDir");
        return log;
    }
    std::string program = HvinitConfigLine::ProgramPart(command);
    std::string name = portlib::basename(program.data());
    name = name.substr(0, name.find('.'));
    if (name.empty() || ::strcasecmp(name.c_str(), "QDB") == 0 || ::strcasecmp(name.c_str(), "MXRCFGSTORE") == 0)
        return log;
    log.path = root + "/tmp/" + name + ".log";
    return log;
}

bool HvinitProcessControl::Start(const std::string& command, bool recover, StartedProcess* started) {
    const int running = system_.FindPid(command.c_str());
    if (running > 0) {
        int err = 0;
        const int handle = system_.Open(running, command.c_str(), &err);
        const int id = recover ? 19122 : 19114;
        if (handle > 1)
            pxm_err(6, id, __FILE__, __LINE__, 0, 0,
                    "Process %s is already running; (pid=%ld) - HV-init will start monitoring.\n", command.c_str(),
                    static_cast<long>(running));
        else
            pxm_err(6, id, __FILE__, __LINE__, 0, 0,
                    "Process %s is already running; (pid=%ld) - Unable to open process %d - HV-init will start "
                    "monitoring.\n",
                    command.c_str(), static_cast<long>(running), err);
        started->pid = running;
        started->handle = handle > 1 ? handle : 0;
        return true;
    }
    const std::vector<std::string> argv = Argv(command);
    std::string line = command;
    for (char& c : line)
        if (c == '|') c = ' ';
    int pid = -1;
    int handle = 0;
    const int err = argv.empty() ? portlib::platform::HV_ERROR_INVALID_PARAMETER
                                 : system_.Start(argv, LogFor(command, recover), &pid, &handle);
    if (err != 0) {
        pxm_err(3, 200006, __FILE__, __LINE__, 0, 0, "Unable to create process %s, error 0x%x", line.c_str(),
                static_cast<unsigned>(err));
        return false;
    }
    pxm_err(6, 200006, __FILE__, __LINE__, 0, 0, "Created process %s", line.c_str());
    started->pid = pid;
    started->handle = handle;
    return true;
}

int HvinitProcessControl::Kill(long pid, int /*exitCode: a killed process has none here*/) {
    if (pid < 2 || pid > 0x7fffffff) {
        pxm_err(3, 19167, __FILE__, __LINE__, 0, 0, "Illegal process id (pid=%ld).\n", pid);
        return -2;
    }
    int slot = -1;
    for (int n = 0; n < hvinit::kSlotCount && slot < 0; ++n)
        if (table_->slots[n].inUse == 1 && table_->slots[n].pid == pid) slot = n;
    char command[hvinit::kCommandBytes] = {};
    if (slot >= 0) {
        hvinit::HvinitSlot& s = table_->slots[slot];
        s.nextPollTime = static_cast<std::int32_t>(system_.Now() + kKillPollDelay);
        // The table is shared: its text may lack a terminator.
        std::memcpy(command, s.command, sizeof command - 1);
        pxm_err(6, 19166, __FILE__, __LINE__, 0, 0, "Killing the process %s (pid=%ld).\n", command, pid);
    } else {
        pxm_err(6, 19166, __FILE__, __LINE__, 0, 0, "Killing the process (pid=%ld).\n", pid);
    }
    int handle = slot >= 0 ? handles_.Held(slot) : 0;
    const bool own = handle > 1;
    if (!own) {
        int err = 0;
        // A slot's pid is killed only while it still runs the slot's program.
        handle = system_.Open(static_cast<int>(pid), slot >= 0 ? command : nullptr, &err);
        if (handle <= 1) {
            pxm_err(3, 19166, __FILE__, __LINE__, 0, 0, "Unable to open process to kill, pid=%ld\n", pid);
            return -2;
        }
    }
    const int err = system_.Kill(handle);
    if (own) handles_.Drop(slot);
    else system_.Close(handle);
    if (err != 0) {
        if (own)
            pxm_err(3, 19166, __FILE__, __LINE__, 0, 0,
                    "hvinit: Unable to terminate process [%s], pid=%ld , error %d, index %d\n", command, pid, err, slot);
        else
            pxm_err(3, 19166, __FILE__, __LINE__, 0, 0, "hvinit: Unable to terminate process, pid=%ld , error %d\n",
                    pid, err);
        return -2;
    }
    if (slot >= 0) {
        pxm_err(6, 19168, __FILE__, __LINE__, 0, 0, "Killed the process %s (pid=%ld).\n", command, pid);
        table_->slots[slot].nextPollTime = static_cast<std::int32_t>(system_.Now());
    } else {
        pxm_err(6, 19168, __FILE__, __LINE__, 0, 0, "Killed the process (pid=%ld).\n", pid);
    }
    return 1;
}

}  // namespace hvsvc
