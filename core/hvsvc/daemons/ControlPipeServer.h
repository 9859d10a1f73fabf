// The service control manager's side on Linux: the control pipe
// "\\.\pipe\holdervane-svc" (ServiceCodes.h) and SIGTERM / SIGINT, served on
// one thread (NT's dispatcher thread). Every control goes to one handler,
// whose answer (the state afterwards) is written back; a signal is a STOP.
// The signals must be blocked in every thread before any thread starts
// (BlockStopSignals), so that only this thread takes them.
#pragma once

#include <cstdint>
#include <functional>
#include <thread>

#include "platform/NamedPipeListener.h"

namespace hvsvc {

class ControlPipeServer {
public:
    using Handler = std::function<std::uint32_t(std::uint32_t control)>;

    ControlPipeServer() = default;
    ~ControlPipeServer();
    ControlPipeServer(const ControlPipeServer&) = delete;
    ControlPipeServer& operator=(const ControlPipeServer&) = delete;

    // Blocks SIGTERM and SIGINT in the calling thread (and the threads it
    // starts later).
    static void BlockStopSignals();

    // Takes the pipe's name and the signals. 0, or the Win32 error (231 when
    // a running service has the pipe).
    int Open();
    // Serves on a thread of its own until Close.
    void Start(Handler handler);
    void Close();

private:
    void Serve();
    void ServeClient(int fd);

    portlib::platform::NamedPipeListener listener_;
    int signalFd_ = -1;
    int wakeFd_ = -1;
    Handler handler_;
    std::thread thread_;
};

}  // namespace hvsvc
