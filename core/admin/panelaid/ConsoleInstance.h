// One console of a kind per display. The first start owns the pipe
// "\\.\pipe\hvconsole-<program>-<display>"; a later start asks it to raise
// its window and ends. An owner that died is replaced (the pipe layer frees
// its name). The owner serves the pipe without ever waiting: requests are
// read when they arrive; a silent, slow or garbled peer is dropped.
#pragma once

#include "platform/NamedPipeListener.h"

#include <chrono>
#include <string>
#include <vector>

namespace panelaid {

class ConsoleInstance {
public:
    static constexpr const char* kRaiseRequest = "RAISE";
    static constexpr const char* kRaiseAnswer = "OK";
    static constexpr int kMaxPeers = 16;
    static constexpr int kPeerSilenceMs = 2000;

    ConsoleInstance() = default;
    ~ConsoleInstance();
    ConsoleInstance(const ConsoleInstance&) = delete;
    ConsoleInstance& operator=(const ConsoleInstance&) = delete;

    // "\\.\pipe\hvconsole-<program>-<display>"; an empty display is "none".
    static std::string PipeName(const std::string& program, const std::string& display);
    // $DISPLAY, or "" without one.
    static std::string CurrentDisplay();

    enum class Claim { Owner, OtherRaised, Failed };
    // Takes the name, or (when a live owner has it) asks the owner to raise
    // its window.
    Claim ClaimOrRaise(const std::string& program, const std::string& display);
    // Asks a running owner to raise its window: true when it answered.
    static bool AskToRaise(const std::string& program, const std::string& display, int replyMs = 2000);

    // Owner side: the listening descriptor, and the peers' descriptors.
    int ListenFd() const { return listener_.fd(); }
    std::vector<int> PeerFds() const;
    // Takes new peers and reads those that are readable; returns how many
    // asked for a raise. Never waits.
    int Serve();

private:
    struct Peer {
        int fd;
        std::chrono::steady_clock::time_point since;
    };
    void DropPeer(std::size_t index);

    portlib::platform::NamedPipeListener listener_;
    std::vector<Peer> peers_;
};

}  // namespace panelaid
