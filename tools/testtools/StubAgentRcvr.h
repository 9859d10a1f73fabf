// The receiver of the stub communication agent (hvstubagent): a test agent
// that stands in for the socket and serial agents. It registers with this
// system's administrator under an alias and a kind, answers add-host and
// delete-host with a chosen value (at once, after a delay, or never), and
// sends the three reports when told to.
//
// In link mode it also serves each path it was given: a TCP connection to
// the peer system's stub agent (the device name is "PEERADDR:PORT" or
// "PEERADDR:PEERPORT:LISTENPORT") carrying a one-byte beat every
// hbInterval seconds. It reports the outgoing connection complete once it
// connects, disconnected when that connection fails, ALIVE when beats are
// heard on the incoming one and DEAD after hbMaxMiss silent intervals.
// Liveness only: no messages cross.
//
// Every event is one line on standard output. A tool's own receiver: its
// class code is local to the tools and never travels.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "CommAgentEnt.h"
#include "CommAgentMsgRcvr.h"
#include "LogicalAddrEnt.h"
#include "PipeHead.h"

struct StubAgentOptions {
    std::string alias;
    CommAgentEnt::CommAgentType type = CommAgentEnt::TLI;
    std::string device;
    int addValue = 0;     // add-host's answer
    int deleteValue = 0;  // delete-host's answer
    int answerDelayMs = 0;
    bool neverAnswer = false;
    bool link = false;
};

class StubAgentRcvr : public CommAgentMsgRcvr {
    MXR_LOCAL_CLASS(StubAgentRcvr, CommAgentMsgRcvr);
    MXR_FIELDS();

public:
    // How often pending answers and the links are looked at.
    static constexpr unsigned TickMs = 50;

    StubAgentRcvr();
    // Takes logical name COMMAGENTMSGRCVR in this process and starts ticking.
    explicit StubAgentRcvr(const StubAgentOptions& options);
    ~StubAgentRcvr() override;

    // Sends the registration to the administrator (the answer sets the tag).
    void Register();
    // One command line: "status REMALIAS DEVICE HBSTATUS", "outconn REMALIAS
    // DEVICE HBSTATUS", "disconnected REMALIAS DEVICE", "register". Returns
    // 0, or -1 for a line it does not know (named on stderr).
    int Command(const std::string& line);

    enMsgResult MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) override;
    int AddHost(DestHostEntPtr path) override;
    int DeleteHost(DestHostEntPtr path) override;

    struct Link;

private:
    using Clock = std::chrono::steady_clock;
    struct Pending {
        Clock::time_point due;
        BaseMsgPtr answer;
    };

    // Answers req (an add-host or delete-host request) as configured.
    template <class Req, class Rsp>
    void Answer(const BaseMsgPtr& msg, int value, const char* what);
    void Tick();
    void ReportStatus(const std::string& remAlias, const std::string& device, PipeHead::HeartBeatStatus status);
    void ReportOutConn(const std::string& remAlias, const std::string& device, PipeHead::HeartBeatStatus status);
    void ReportDisconnected(const std::string& remAlias, const std::string& device);
    void SendToAdmin(BaseMsgPtr msg);
    void ServeLink(Link& link, Clock::time_point now);

    StubAgentOptions Options;
    LogicalAddrEntPtr NameEnt;
    std::vector<Pending> Answers;
    std::vector<std::unique_ptr<Link>> Links;
};
MXR_COMPANION_PTR(StubAgentRcvr);
