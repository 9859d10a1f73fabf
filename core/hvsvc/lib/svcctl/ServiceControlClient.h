// The control command's side of the control pipe (ServiceCodes.h): sends one
// control and reads the state back, learns the service's pid from the
// connection, starts the service detached and waits for its states.
#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>

namespace hvsvc {

class ServiceControlClient {
public:
    // 0 with the state after the control and the service's pid; else the
    // Win32 error: 2 when no service runs, 109 when it hung up without an
    // answer, 121 when it did not answer within replyMs. connectMs: how long
    // to wait for a listening service (0: not at all).
    static int Send(std::uint32_t control, std::uint32_t* state, pid_t* servicePid, int replyMs = 10000,
                    int connectMs = 2000);

    // Waits until the process ends. 0, or 121 after timeoutMs.
    static int WaitForExit(pid_t pid, int timeoutMs);

    // Starts `program` (service mode) detached unless a service answers, and
    // waits until it reports RUNNING. 0 with the state; 1 when the program
    // could not start or ended while starting; 121 when it was not RUNNING
    // within timeoutMs.
    static int Start(const std::string& program, int timeoutMs, std::uint32_t* state);
};

}  // namespace hvsvc
