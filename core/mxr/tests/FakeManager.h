// A scripted manager for the proxy's tests: it listens on the manager's
// pipe of the current system directory, takes each client's connect record
// and PipeInitMsg as the real listener does and answers the init message,
// then answers every request with whatever the script returns for it (zero
// or more messages, or a hang-up). So a test can send answers that a real
// post office never sends: another class, stale answers, bad values.
//
// One thread accepts, one thread serves each connection. What arrives is
// recorded under a lock.
#pragma once

#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <sys/socket.h>
#include <thread>
#include <vector>

#include "MsgIo.h"
#include "PipeHead.h"
#include "PipeInitMsg.h"
#include "SynchPipeHead.h"
#include "platform/NamedPipe.h"

namespace mxrtest {

class FakeManager {
public:
    // The answers to one request; hangUp: close the connection instead.
    struct Reply {
        std::vector<BaseMsgPtr> answers;
        bool hangUp = false;
    };
    using Script = std::function<Reply(const BaseMsgPtr& request)>;

    explicit FakeManager(Script s) : script(std::move(s)) {
        portlib::platform::PipeListenOptions options;
        options.nonBlocking = false;
        listenResult = listener.Create(GetMxrPipeName(), options);
        if (listenResult == 0) acceptor = std::thread([this] { AcceptLoop(); });
    }
    ~FakeManager() {
        stop = true;
        if (acceptor.joinable()) acceptor.join();
        {
            std::lock_guard<std::mutex> g(lock);
            for (auto& c : conns)
                if (!c->done) ::shutdown(c->fd, SHUT_RDWR);
        }
        for (auto& c : conns)
            if (c->thread.joinable()) c->thread.join();
    }
    FakeManager(const FakeManager&) = delete;
    FakeManager& operator=(const FakeManager&) = delete;

    int ListenResult() const { return listenResult; }
    // Connections that sent a good record and a PipeInitMsg; of those, how
    // many the client has closed.
    int Connections() {
        std::lock_guard<std::mutex> g(lock);
        return static_cast<int>(inits.size());
    }
    int Closed() {
        std::lock_guard<std::mutex> g(lock);
        return closed;
    }
    std::vector<PipeInitMsgPtr> Inits() {
        std::lock_guard<std::mutex> g(lock);
        return inits;
    }
    std::vector<BaseMsgPtr> Requests() {
        std::lock_guard<std::mutex> g(lock);
        return requests;
    }

private:
    struct Conn {
        int fd = -1;
        bool done = false;
        std::thread thread;
    };

    void AcceptLoop() {
        while (!stop) {
            int fd = -1;
            if (listener.Accept(&fd, 20) != 0) continue;
            std::lock_guard<std::mutex> g(lock);
            conns.push_back(std::make_unique<Conn>());
            Conn* c = conns.back().get();
            c->fd = fd;
            c->thread = std::thread([this, c] { Serve(c); });
        }
    }

    void Serve(Conn* c) {
        {
            SynchPipeHead peer(c->fd);
            char record[64];
            hv::strbuf data{sizeof record, 0, record};
            const bool good = hv::getmsg(c->fd, nullptr, &data, nullptr) == 0 &&
                              data.len == PipeHead::ConnectRecordLen &&
                              std::memcmp(record, PipeHead::ConnectRecord, PipeHead::ConnectRecordLen) == 0;
            BaseMsgPtr init;
            if (good && peer.SynchRead(init) == 0 && PipeInitMsgPtr(init).Ok()) {
                {
                    std::lock_guard<std::mutex> g(lock);
                    inits.push_back(PipeInitMsgPtr(init));
                }
                peer.SynchWrite(BaseMsgPtr(new PipeInitMsg(BaseAddr::GetCurrentHost(), 0, 0, 520)));
                for (;;) {
                    BaseMsgPtr req;
                    const int rc = peer.SynchRead(req);
                    if (rc == -2) break;
                    if (rc != 0) continue;
                    {
                        std::lock_guard<std::mutex> g(lock);
                        requests.push_back(req);
                    }
                    const Reply reply = script(req);
                    if (reply.hangUp) break;
                    for (const BaseMsgPtr& answer : reply.answers) peer.SynchWrite(answer);
                }
                std::lock_guard<std::mutex> g(lock);
                ++closed;
            }
            std::lock_guard<std::mutex> g(lock);
            c->done = true;
        }  // the connection closes here
    }

    Script script;
    portlib::platform::NamedPipeListener listener;
    int listenResult = -1;
    std::atomic<bool> stop{false};
    std::thread acceptor;
    std::mutex lock;
    std::vector<std::unique_ptr<Conn>> conns;
    std::vector<PipeInitMsgPtr> inits;
    std::vector<BaseMsgPtr> requests;
    int closed = 0;
};

}  // namespace mxrtest
