// hvpo: a command-line client of this system's post office, through the
// post office proxy (one blocking connection to the local manager), and of
// its path administrator (the administrator proxy; watch runs a client
// world).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "WholeNumber.h"
#include "BaseAddr.h"
#include "BaseErrMsg.h"
#include "BasePipeMsg.h"
#include "CommAgentEnt.h"
#include "LogicalAddr.h"
#include "Message.h"
#include "MxrAdminIsAnyCommPathToHostUpReqMsg.h"
#include "MxrClntWorld.h"
#include "PathWatchRcvr.h"
#include "PostOfficeDisplayMailBoxLstReqMsg.h"
#include "PostOfficeDisplayMailBoxLstRspMsg.h"
#include "ProxyMxrAdmin.h"
#include "ProxyPostOffice.h"
#include "SynchPipeHead.h"

namespace {

const char* const kUsage =
    "usage: hvpo [-w SECS] COMMAND [ARGUMENTS]\n"
    "\n"
    "A command-line client of this system's post office (in the communication\n"
    "manager, see hvmanager): a minimal tool over the post office proxy.\n"
    "\n"
    "Commands:\n"
    "  create MBOX                 create mailbox MBOX on this host\n"
    "  remove MBOX                 remove mailbox MBOX on this host (its messages go)\n"
    "  send [-a] [-h HOST] MBOX TEXT\n"
    "                              put TEXT into mailbox MBOX of HOST (default this\n"
    "                              host); -a: asynchronous, not confirmed\n"
    "  receive [-h HOST] MBOX      wait for the next message of local mailbox MBOX and\n"
    "                              print its text; -h: stop waiting (exit 6) once HOST\n"
    "                              cannot be reached\n"
    "  empty MBOX                  exit 0 when MBOX holds no message, 1 otherwise\n"
    "                              (also when it does not exist)\n"
    "  can-talk [-h HOST] [MBOX]   exit 0 when MBOX exists on HOST (no MBOX: when\n"
    "                              HOST's post office answers)\n"
    "  alive HOST                  exit 0 when HOST can be reached from this host\n"
    "  list                        print this host's mailboxes\n"
    "\n"
    "Path administration (this host's administrator):\n"
    "  create-path [PATHOPTS] REMOTEHOST LOCALALIAS REMOTEALIAS DEVICE\n"
    "                              ask for a path and wait for the answer: exit 0\n"
    "                              created, 1 the administrator gave up waiting\n"
    "                              for the agent (7: the call failed)\n"
    "  delete-path [-k KIND] REMOTEHOST LOCALALIAS REMOTEALIAS DEVICE\n"
    "                              exit 0 deleted, 1 unknown or no answer in time\n"
    "  host-up HOST [ALIAS]        print OKAY (exit 0) when a path to HOST whose\n"
    "                              remote alias is ALIAS (default HOST) is up,\n"
    "                              else NOKAY (exit 1)\n"
    "  watch                       print one line per path event until stopped:\n"
    "                              \"PATH LOCALALIAS DEVICE KIND REMOTEHOST\n"
    "                              REMOTEALIAS STATUS\" (\"watching\" first)\n"
    "  PATHOPTS: -k TLI|TTY (default TLI), -i HBINTERVAL secs (default 1),\n"
    "            -m HBMAXMISS (default 3), -b BAUDRATE (default 0),\n"
    "            -p PRIORITY (default 1)\n"
    "\n"
    "Options:\n"
    "  -w SECS   wait at most SECS seconds for the manager (default 5; 0: try once)\n"
    "\n"
    "Environment: HV_SYSTEM_DIR (the system directory), MXRHOSTNAME (this host).\n"
    "\n"
    "Exit status (the call's result):\n"
    "  0 OKAY  1 NOKAY (a negative answer)  2 NOSUCHMBOX  3 BADREQMSG\n"
    "  5 SYNCHSENDFAILED  6 SYNCHRCVFAILED  7 INTERNALERR (the connection failed)\n"
    "  8 no manager answered in time  64 bad command line\n";

constexpr int kNoManager = 8;
constexpr int kUsageError = 64;

int Usage(const std::string& why) {
    std::fprintf(stderr, "hvpo: %s\n\n%s", why.c_str(), kUsage);
    return kUsageError;
}

const char* NameOf(Message::enMessageErr err) {
    switch (err) {
    case Message::OKAY: return "OKAY";
    case Message::NOKAY: return "NOKAY";
    case Message::NOSUCHMBOX: return "NOSUCHMBOX";
    case Message::BADREQMSG: return "BADREQMSG";
    case Message::NOMESSAGE: return "NOMESSAGE";
    case Message::SYNCHSENDFAILED: return "SYNCHSENDFAILED";
    case Message::SYNCHRCVFAILED: return "SYNCHRCVFAILED";
    case Message::INTERNALERR: return "INTERNALERR";
    }
    return "?";
}

// The exit status of a call; a failure is named on stderr.
int Result(const std::string& what, Message::enMessageErr err, const char* meaning = nullptr) {
    if (err != Message::OKAY)
        std::fprintf(stderr, "hvpo: %s: %s%s%s\n", what.c_str(), NameOf(err), meaning ? " - " : "",
                     meaning ? meaning : "");
    return static_cast<int>(err);
}

// A connection to the manager within waitSecs, or null.
SynchPipeHeadPtr Connect(double waitSecs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(waitSecs);
    for (;;) {
        SynchPipeHeadPtr connection(new SynchPipeHead(bStr(GetMxrPipeName())));
        if (connection->Initialize() == 0) return connection;
        connection = SynchPipeHeadPtr();
        if (std::chrono::steady_clock::now() >= deadline) return SynchPipeHeadPtr();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

// The listing of this host's post office (no proxy call exists for it).
int List(const SynchPipeHeadPtr& connection) {
    const BaseAddrPtr po(new LogicalAddr(BaseAddr::GetCurrentHost(), LogicalAddr::MXRPOSTOFFICE));
    if (connection->SynchWrite(BaseMsgPtr(new PostOfficeDisplayMailBoxLstReqMsg(po))) != 0)
        return Result("list", Message::INTERNALERR);
    for (;;) {
        BaseMsgPtr answer;
        if (connection->SynchRead(answer) != 0) return Result("list", Message::INTERNALERR);
        if (const PostOfficeDisplayMailBoxLstRspMsgPtr rsp(answer); rsp.Ok()) {
            const MessagePtr listing(rsp->GetMsgPtr());
            if (!listing.Ok()) return Result("list", Message::BADREQMSG);
            std::fputs(listing->GetDataStr().StrVal(), stdout);
            return 0;
        }
        if (BaseErrMsgPtr(answer).Ok()) return Result("list", Message::BADREQMSG);
    }
}

struct Args {
    std::vector<std::string> words;  // the command's operands
    bool async = false;
    bool hostGiven = false;
    std::string host;
    // Path options.
    CommAgentEnt::CommAgentType kind = CommAgentEnt::TLI;
    int hbInterval = 1, hbMaxMiss = 3, baudRate = 0, priority = 1;
};

bool PathInt(const char* text, int lo, int hi, int* out) { return hvtool::ParseWholeNumber<int>(text, lo, hi, out); }

// The administrator's answer whether a path to host is up: 0 up, 1 not,
// 7 the call failed.
int HostUp(const SynchPipeHeadPtr& connection, const std::string& host, const std::string& alias) {
    const BaseAddrPtr admin(new LogicalAddr(BaseAddr::GetCurrentHost(), LogicalAddr::MXRADMIN));
    const BaseMsgPtr req(new MxrAdminIsAnyCommPathToHostUpReqMsg(admin, bStr(host.c_str()), bStr(alias.c_str())));
    if (connection->SynchWrite(req) != 0) return Result("host-up", Message::INTERNALERR);
    for (;;) {
        BaseMsgPtr answer;
        if (connection->SynchRead(answer) != 0) return Result("host-up", Message::INTERNALERR);
        if (answer->IsOfType(BasePipeMsg::ClassCode)) continue;
        const MxrAdminIsAnyCommPathToHostUpRspMsgPtr rsp(answer);
        if (!rsp.Ok()) return Result("host-up", Message::INTERNALERR, "an answer of another kind");
        std::printf("%s\n", rsp->GetRetVal() == 0 ? "OKAY" : "NOKAY");
        return rsp->GetRetVal() == 0 ? 0 : 1;
    }
}

// A client world with a path listener, until the process is stopped or the
// manager goes away (exit 3).
int Watch() {
    MxrClntWorld world(nullptr, nullptr);
    if (world.Initialize() != 0) return Result("watch", Message::INTERNALERR);
    const PathWatchRcvrPtr watcher(new PathWatchRcvr());
    watcher->Register();
    for (;;) {
        world.Run();
        if (world.GetMxrPipeHeadPtr()->GetPollAdptrPtr().GetPtr() == nullptr) {
            std::fprintf(stderr, "hvpo: watch: the manager went away\n");
            return 3;
        }
    }
}

// The exit status of an administrator call's result.
int PathResult(const std::string& what, int rc) {
    std::printf("%s: %d\n", what.c_str(), rc);
    if (rc == 0) return 0;
    if (rc == 1) {
        std::fprintf(stderr, "hvpo: %s: refused, or no answer from the agent in time\n", what.c_str());
        return 1;
    }
    std::fprintf(stderr, "hvpo: %s: the call failed (connection or answer)\n", what.c_str());
    return static_cast<int>(Message::INTERNALERR);
}

}  // namespace

int main(int argc, char** argv) {
    double waitSecs = 5;
    int i = 1;
    for (; i < argc && argv[i][0] == '-'; ++i) {
        const std::string opt = argv[i];
        if (opt == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (opt == "-w" && i + 1 < argc) {
            char* end = nullptr;
            waitSecs = std::strtod(argv[++i], &end);
            if (end == argv[i] || *end != '\0' || waitSecs < 0 || waitSecs > 86400)
                return Usage("-w wants a number of seconds (0 to 86400), not \"" + std::string(argv[i]) + "\"");
            continue;
        }
        return Usage("unknown option \"" + opt + "\"");
    }
    if (i >= argc) return Usage("no command");
    const std::string cmd = argv[i++];
    Args a;
    for (; i < argc; ++i) {
        const std::string w = argv[i];
        if (w == "-a" && cmd == "send") {
            a.async = true;
        } else if (w == "-h" && (cmd == "send" || cmd == "receive" || cmd == "can-talk") && i + 1 < argc) {
            a.hostGiven = true;
            a.host = argv[++i];
        } else if ((cmd == "create-path" || cmd == "delete-path") && w.size() == 2 && w[0] == '-' &&
                   std::string("kimbp").find(w[1]) != std::string::npos) {
            if (i + 1 >= argc) return Usage(w + " wants a value");
            const char* v = argv[++i];
            if (w == "-k") {
                if (std::string(v) == "TLI")
                    a.kind = CommAgentEnt::TLI;
                else if (std::string(v) == "TTY")
                    a.kind = CommAgentEnt::TTY;
                else
                    return Usage("-k wants TLI or TTY, not \"" + std::string(v) + "\"");
            } else if (cmd != "create-path") {
                return Usage(w + " is for create-path only");
            } else if (!PathInt(v, w == "-b" ? 0 : 1, w == "-b" ? 1000000 : 3600,
                                w == "-i" ? &a.hbInterval : w == "-m" ? &a.hbMaxMiss : w == "-b" ? &a.baudRate
                                                                                           : &a.priority)) {
                return Usage(w + " wants a whole number in range, not \"" + std::string(v) + "\"");
            }
        } else if (w == "--") {
            for (++i; i < argc; ++i) a.words.emplace_back(argv[i]);
        } else {
            a.words.push_back(w);
        }
    }
    const std::string thisHost = BaseAddr::GetCurrentHost().StrVal();
    const std::string host = a.hostGiven ? a.host : thisHost;

    // Check the command line completely before the manager is asked.
    struct Shape {
        const char* cmd;
        size_t minWords, maxWords;
    };
    const Shape shapes[] = {{"create", 1, 1},      {"remove", 1, 1},      {"send", 2, 2},     {"receive", 1, 1},
                            {"empty", 1, 1},       {"can-talk", 0, 1},    {"alive", 1, 1},    {"list", 0, 0},
                            {"create-path", 4, 4}, {"delete-path", 4, 4}, {"host-up", 1, 2}, {"watch", 0, 0}};
    const Shape* shape = nullptr;
    for (const Shape& s : shapes)
        if (cmd == s.cmd) shape = &s;
    if (shape == nullptr) return Usage("unknown command \"" + cmd + "\"");
    if (a.words.size() < shape->minWords || a.words.size() > shape->maxWords)
        return Usage("wrong number of arguments for " + cmd);
    const bool pathCmd = cmd == "create-path" || cmd == "delete-path" || cmd == "host-up" || cmd == "watch";
    if (pathCmd) {
        for (const std::string& w : a.words)
            if (w.empty()) return Usage("the arguments of " + cmd + " must not be empty");
    } else if (cmd != "can-talk" && cmd != "alive" && cmd != "list" && a.words[0].empty()) {
        return Usage("a mailbox name must not be empty");
    }
    if (cmd == "watch") return Watch();
    if ((cmd == "alive" && a.words[0].empty()) || (a.hostGiven && a.host.empty()))
        return Usage("a host name must not be empty");

    const SynchPipeHeadPtr connection = Connect(waitSecs);
    if (!connection.Ok()) {
        std::fprintf(stderr, "hvpo: no communication manager answered on %s (HV_SYSTEM_DIR=%s) within %g s\n",
                     GetMxrPipeName(), std::getenv("HV_SYSTEM_DIR") ? std::getenv("HV_SYSTEM_DIR") : "(unset)",
                     waitSecs);
        return kNoManager;
    }
    if (cmd == "list") return List(connection);
    if (cmd == "host-up") return HostUp(connection, a.words[0], a.words.size() > 1 ? a.words[1] : a.words[0]);
    if (cmd == "create-path" || cmd == "delete-path") {
        ProxyMxrAdmin admin(connection);
        const bStr remoteHost(a.words[0].c_str()), localAlias(a.words[1].c_str()), remoteAlias(a.words[2].c_str()),
            device(a.words[3].c_str());
        if (cmd == "create-path")
            return PathResult(cmd, admin.CreateCommPath(remoteHost, localAlias, remoteAlias, a.kind, device, a.priority,
                                                        a.hbInterval, a.hbMaxMiss, a.baudRate, BaseMsgPtr()));
        return PathResult(cmd, admin.DeleteCommPath(remoteHost, localAlias, remoteAlias, a.kind, device));
    }

    ProxyPostOffice po(connection);
    const bStr mbox(a.words.empty() ? "" : a.words[0].c_str());
    if (cmd == "create") return Result("create " + a.words[0], po.CreateMailBox(mbox), "the mailbox exists");
    if (cmd == "remove") return Result("remove " + a.words[0], po.RemoveMailBox(mbox));
    if (cmd == "send") {
        MessagePtr letter(new Message(a.words[1].c_str()));
        letter->SetReplyToSys(bStr(thisHost.c_str()));
        const std::string what = "send to " + a.words[0] + " on " + host;
        if (a.async) return Result(what, po.SendToMboxAsynch(bStr(host.c_str()), mbox, letter));
        return Result(what, po.SendToMbox(bStr(host.c_str()), mbox, letter),
                      "no such mailbox, or the host cannot be reached");
    }
    if (cmd == "receive") {
        const MessagePtr got = a.hostGiven ? po.RcvFromHostMbox(bStr(host.c_str()), mbox) : po.RcvFromMbox(mbox, 0);
        if (got->GetLastErr() == Message::OKAY) {
            std::printf("%s\n", got->GetDataStr().StrVal());
            return 0;
        }
        return Result("receive from " + a.words[0], got->GetLastErr(),
                      got->GetLastErr() == Message::SYNCHRCVFAILED && a.hostGiven ? "the host cannot be reached"
                                                                                  : nullptr);
    }
    if (cmd == "empty") return Result("empty " + a.words[0], po.IsMboxEmpty(mbox), "not empty, or no such mailbox");
    if (cmd == "can-talk")
        return Result("can-talk " + host + " " + (a.words.empty() ? "" : a.words[0]), po.CanTalk(bStr(host.c_str()), mbox));
    // alive
    return Result("alive " + a.words[0], po.IsHostAlive(bStr(a.words[0].c_str())), "cannot be reached");
}
