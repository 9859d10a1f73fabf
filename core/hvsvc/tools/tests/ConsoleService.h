// The cluster service in console mode for tool tests: started on the test's
// installation, ready once its object-persistence pipe answers, killed and
// reaped at the end.
#pragma once

#include "ServiceTestSupport.h"

#include "PreserveClient.h"
#include "platform/NamedPipeConnect.h"
#include "platform/NamedPipeMode.h"

namespace hvtoolstest {

class ConsoleService {
public:
    ConsoleService() {
        child_ = hvsvctest::Spawn({HV_HVSVC_BIN, "console"});
        ready_ = hvsvctest::WaitUntil([] {
            namespace pp = portlib::platform;
            int fd = -1;
            if (pp::PipeConnect(portlib::kPreservePipeName, {}, &fd) != 0) return false;
            pp::PipeClose(fd);
            return true;
        });
    }
    ~ConsoleService() { Stop(); }
    ConsoleService(const ConsoleService&) = delete;
    ConsoleService& operator=(const ConsoleService&) = delete;

    bool Ready() const { return ready_; }
    pid_t Pid() const { return child_.pid; }
    void Stop() {
        if (child_.pid > 0) ::kill(child_.pid, SIGKILL);
        hvsvctest::Reap(child_);
    }

private:
    hvsvctest::Child child_;
    bool ready_ = false;
};

}  // namespace hvtoolstest
