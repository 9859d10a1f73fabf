#include "PreserveServer.h"

#include "PreserveClient.h"

#include "platform/NamedPipeListener.h"

namespace hvsvc {

namespace pp = portlib::platform;

int PreserveServer::Run() {
    pp::NamedPipeListener listener;
    const int rc = listener.Create(portlib::kPreservePipeName, PipeServer::Options(kBufferSize));
    if (rc != 0) return rc;
    PreserveTables tables;
    PipeServer::Run(listener, gate_, [&](int fd) { return PreserveSession(tables, fd, gate_.WakeFd(), silenceMs_).Serve(); });
    // The listener goes first: no client may reach a server whose objects are
    // being let go.
    listener.Close();
    return 0;
}

}  // namespace hvsvc
