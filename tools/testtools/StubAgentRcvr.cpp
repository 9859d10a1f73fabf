#include "StubAgentRcvr.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <sstream>
#include <sys/socket.h>
#include <unistd.h>

#include "ClassDefine.h"
#include "CommAgentMsgRcvrAddHostReqMsg.h"
#include "CommAgentMsgRcvrDeleteHostReqMsg.h"
#include "FdCallbackPollAdptr.h"
#include "GenericTimeoutMsg.h"
#include "LogicalAddr.h"
#include "MxrAdminRegisterCommAgentReqMsg.h"
#include "MxrAdminReportCommPathStatusReqMsg.h"
#include "MxrAdminReportDisconnectedReqMsg.h"
#include "MxrAdminReportOutConnCompleteReqMsg.h"
#include "TimerManager.h"
#include "WholeNumber.h"

MXR_LOCAL_CLASS_DEFINE(StubAgentRcvr);

namespace {

void Line(const std::string& text) {
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

std::string StatusName(PipeHead::HeartBeatStatus s) {
    return PipeHead::GetHeartBeatStatusCvtPtr()->GetStr(s).StrVal();
}

bool StatusOf(const std::string& name, PipeHead::HeartBeatStatus* s) {
    int v = 0;
    if (name.empty() || PipeHead::GetHeartBeatStatusCvtPtr()->GetValue(v, bStr(name.c_str())) != 0) return false;
    *s = static_cast<PipeHead::HeartBeatStatus>(v);
    return true;
}

// "ADDR:PORT" or "ADDR:PEERPORT:LISTENPORT"; false when it is neither.
bool ParseDevice(const std::string& device, sockaddr_in* peer, int* listenPort) {
    std::vector<std::string> parts;
    std::stringstream in(device);
    for (std::string part; std::getline(in, part, ':');) parts.push_back(part);
    if (parts.size() != 2 && parts.size() != 3) return false;
    auto port = [](const std::string& text, int* out) { return hvtool::ParseWholeNumber(text, 1, 65535, out); };
    int peerPort = 0;
    if (!port(parts[1], &peerPort) || !port(parts.back(), listenPort)) return false;
    std::memset(peer, 0, sizeof *peer);
    peer->sin_family = AF_INET;
    peer->sin_port = htons(static_cast<uint16_t>(peerPort));
    return ::inet_pton(AF_INET, parts[0].c_str(), &peer->sin_addr) == 1;
}

void CloseFd(int& fd) {
    if (fd != -1) ::close(fd);
    fd = -1;
}

}  // namespace

// One path served in link mode: its listening socket, the accepted
// connection the peer's beats arrive on, and the outgoing connection this
// side beats on.
struct StubAgentRcvr::Link {
    std::string remAlias, device;
    sockaddr_in peer{};
    int listenPort = 0;
    std::chrono::milliseconds interval{1000};
    int maxMiss = 3;
    int listenFd = -1, inFd = -1, outFd = -1;
    bool outConnected = false;
    FdCallbackPollAdptrPtr listenAd, inAd, outAd;
    Clock::time_point lastHeard, nextBeat, nextConnect;
    PipeHead::HeartBeatStatus hb = PipeHead::INITIALIZING;

    static void Drop(FdCallbackPollAdptrPtr& ad, int& fd) {
        if (ad.GetPtr() != nullptr) ad->DeRegister();
        ad = FdCallbackPollAdptrPtr();
        CloseFd(fd);
    }
    ~Link() {
        Drop(listenAd, listenFd);
        Drop(inAd, inFd);
        Drop(outAd, outFd);
    }
};

StubAgentRcvr::StubAgentRcvr() { MXR_METHOD_FRAME("StubAgentRcvr", 0); }

StubAgentRcvr::StubAgentRcvr(const StubAgentOptions& options) : Options(options) {
    MXR_METHOD_FRAME("StubAgentRcvr", 1);
    NameEnt = new LogicalAddrEnt(LogicalAddr::COMMAGENTMSGRCVR, GetAddrPtr());
    TimerManager::SetOneShotTimer(BaseMsgPtr(new GenericTimeoutMsg(GetAddrPtr())), TickMs);
}

StubAgentRcvr::~StubAgentRcvr() { MXR_METHOD_FRAME("~StubAgentRcvr", 0); }

void StubAgentRcvr::SendToAdmin(BaseMsgPtr msg) {
    msg->SetFrmAddr(GetAddrPtr());
    msg.Send();
}

void StubAgentRcvr::Register() {
    const BaseAddrPtr admin(new LogicalAddr(BaseAddr::GetCurrentHost(), LogicalAddr::MXRADMIN));
    SendToAdmin(BaseMsgPtr(new MxrAdminRegisterCommAgentReqMsg(admin, BaseAddr::GetCurrentPid(),
                                                               BaseAddr::GetCurrentTid(), bStr(Options.alias.c_str()),
                                                               Options.type, bStr(Options.device.c_str()))));
}

void StubAgentRcvr::ReportStatus(const std::string& remAlias, const std::string& device,
                                 PipeHead::HeartBeatStatus status) {
    const BaseAddrPtr admin(new LogicalAddr(BaseAddr::GetCurrentHost(), LogicalAddr::MXRADMIN));
    SendToAdmin(BaseMsgPtr(new MxrAdminReportCommPathStatusReqMsg(admin, GetCommAgentTagNum(), bStr(remAlias.c_str()),
                                                                  bStr(device.c_str()), status)));
    Line("report status " + remAlias + " " + device + " " + StatusName(status));
}

void StubAgentRcvr::ReportOutConn(const std::string& remAlias, const std::string& device,
                                  PipeHead::HeartBeatStatus status) {
    const BaseAddrPtr admin(new LogicalAddr(BaseAddr::GetCurrentHost(), LogicalAddr::MXRADMIN));
    SendToAdmin(BaseMsgPtr(new MxrAdminReportOutConnCompleteReqMsg(admin, GetCommAgentTagNum(), bStr(remAlias.c_str()),
                                                                   status, bStr(device.c_str()))));
    Line("report outconn " + remAlias + " " + device + " " + StatusName(status));
}

void StubAgentRcvr::ReportDisconnected(const std::string& remAlias, const std::string& device) {
    const BaseAddrPtr admin(new LogicalAddr(BaseAddr::GetCurrentHost(), LogicalAddr::MXRADMIN));
    SendToAdmin(BaseMsgPtr(new MxrAdminReportDisconnectedReqMsg(admin, GetCommAgentTagNum(), bStr(remAlias.c_str()),
                                                                bStr(device.c_str()))));
    Line("report disconnected " + remAlias + " " + device);
}

int StubAgentRcvr::Command(const std::string& line) {
    std::istringstream in(line);
    std::string verb, remAlias, device, status;
    in >> verb >> remAlias >> device >> status;
    std::string extra;
    const bool tooMany = static_cast<bool>(in >> extra);
    PipeHead::HeartBeatStatus s = PipeHead::NONE;
    if (verb.empty()) return 0;
    if (verb == "register" && remAlias.empty()) {
        Register();
        return 0;
    }
    if ((verb == "status" || verb == "outconn") && !device.empty() && StatusOf(status, &s) && !tooMany) {
        if (verb == "status")
            ReportStatus(remAlias, device, s);
        else
            ReportOutConn(remAlias, device, s);
        return 0;
    }
    if (verb == "disconnected" && !device.empty() && status.empty()) {
        ReportDisconnected(remAlias, device);
        return 0;
    }
    std::fprintf(stderr, "hvstubagent: unknown command \"%s\"\n", line.c_str());
    return -1;
}

template <class Req, class Rsp>
void StubAgentRcvr::Answer(const BaseMsgPtr& msg, int value, const char* what) {
    const TypedPtr<Req> req(msg);
    const DestHostEntPtr path = req->GetCommPathPtr();
    std::string text = std::string(what) + " " + (path.GetPtr() ? path->GetRemoteHostName().StrVal() : "?") + " " +
                       (path.GetPtr() ? path->GetRemoteAlias().StrVal() : "?") + " " +
                       (path.GetPtr() ? path->GetDevicePathName().StrVal() : "?");
    if (Options.neverAnswer) return Line(text + " unanswered");
    Rsp* rsp = new Rsp(*req.GetPtr());
    BaseMsgPtr held(rsp);
    rsp->SetRetVal(value);
    if (Options.answerDelayMs > 0) {
        Answers.push_back({Clock::now() + std::chrono::milliseconds(Options.answerDelayMs), held});
        return Line(text + " answer " + std::to_string(value) + " in " + std::to_string(Options.answerDelayMs) + " ms");
    }
    held.Send();
    Line(text + " answered " + std::to_string(value));
}

BaseMsgRcvr::enMsgResult StubAgentRcvr::MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) {
    MXR_METHOD_FRAME("MsgHdlr", 2);
    if (const MxrAdminRegisterCommAgentRspMsgPtr r(msg); r.Ok()) {
        SetCommAgentTagNum(r->GetRetVal());
        Line("registered " + Options.alias + " tag " + std::to_string(r->GetRetVal()));
        return PROCESSED;
    }
    if (msg->IsOfType(GenericTimeoutMsg::ClassCode)) {
        Tick();
        TimerManager::SetOneShotTimer(BaseMsgPtr(new GenericTimeoutMsg(GetAddrPtr())), TickMs);
        return PROCESSED;
    }
    if (const CommAgentMsgRcvrAddHostReqMsgPtr r(msg); r.Ok()) {
        AddHost(r->GetCommPathPtr());
        Answer<CommAgentMsgRcvrAddHostReqMsg, CommAgentMsgRcvrAddHostRspMsg>(msg, Options.addValue, "add-host");
        return PROCESSED;
    }
    if (const CommAgentMsgRcvrDeleteHostReqMsgPtr r(msg); r.Ok()) {
        DeleteHost(r->GetCommPathPtr());
        Answer<CommAgentMsgRcvrDeleteHostReqMsg, CommAgentMsgRcvrDeleteHostRspMsg>(msg, Options.deleteValue,
                                                                                   "delete-host");
        return PROCESSED;
    }
    return CommAgentMsgRcvr::MsgHdlr(msg, ctrl);
}

int StubAgentRcvr::AddHost(DestHostEntPtr path) {
    MXR_METHOD_FRAME("AddHost", 1);
    if (!Options.link || path.GetPtr() == nullptr) return Options.addValue;
    auto link = std::make_unique<Link>();
    link->remAlias = path->GetRemoteAlias().StrVal();
    link->device = path->GetDevicePathName().StrVal();
    if (!ParseDevice(link->device, &link->peer, &link->listenPort)) {
        Line("link " + link->remAlias + " " + link->device + ": not ADDR:PORT or ADDR:PEERPORT:LISTENPORT");
        return Options.addValue;
    }
    // A path given again (the administrator resends after a restart)
    // starts afresh.
    DeleteHost(path);
    link->interval = std::chrono::milliseconds(1000L * (path->GetHbInterval() > 0 ? path->GetHbInterval() : 1));
    link->maxMiss = path->GetHbMaxMiss() > 0 ? path->GetHbMaxMiss() : 3;
    const Clock::time_point now = Clock::now();
    link->lastHeard = now;
    link->nextConnect = now;
    Links.push_back(std::move(link));
    ServeLink(*Links.back(), now);
    return Options.addValue;
}

int StubAgentRcvr::DeleteHost(DestHostEntPtr path) {
    MXR_METHOD_FRAME("DeleteHost", 1);
    if (path.GetPtr() == nullptr) return Options.deleteValue;
    const std::string remAlias = path->GetRemoteAlias().StrVal();
    const std::string device = path->GetDevicePathName().StrVal();
    for (auto it = Links.begin(); it != Links.end(); ++it)
        if ((*it)->remAlias == remAlias && (*it)->device == device) {
            Links.erase(it);
            Line("link " + remAlias + " " + device + " stopped");
            break;
        }
    return Options.deleteValue;
}

void StubAgentRcvr::Tick() {
    const Clock::time_point now = Clock::now();
    for (auto it = Answers.begin(); it != Answers.end();) {
        if (it->due > now) {
            ++it;
            continue;
        }
        it->answer.Send();
        Line("answered " + std::to_string(TypedPtr<CommAgentMsgRcvrAddHostRspMsg>(it->answer).Ok()
                                              ? TypedPtr<CommAgentMsgRcvrAddHostRspMsg>(it->answer)->GetRetVal()
                                              : TypedPtr<CommAgentMsgRcvrDeleteHostRspMsg>(it->answer)->GetRetVal()));
        it = Answers.erase(it);
    }
    for (auto& link : Links) ServeLink(*link, now);
}

void StubAgentRcvr::ServeLink(Link& link, Clock::time_point now) {
    Link* l = &link;
    // Listening, until it works.
    if (l->listenFd == -1) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        const int one = 1;
        sockaddr_in any{};
        any.sin_family = AF_INET;
        any.sin_addr.s_addr = htonl(INADDR_ANY);
        any.sin_port = htons(static_cast<uint16_t>(l->listenPort));
        if (fd != -1 && ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) == 0 &&
            ::bind(fd, reinterpret_cast<sockaddr*>(&any), sizeof any) == 0 && ::listen(fd, 4) == 0) {
            l->listenFd = fd;
            l->listenAd = new FdCallbackPollAdptr(fd, POLLIN, [this, l](short) {
                for (;;) {
                    const int c = ::accept4(l->listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
                    if (c == -1) return BasePollAdptr::DIDWORK;
                    // The newest connection is the peer's current one.
                    Link::Drop(l->inAd, l->inFd);
                    l->inFd = c;
                    l->inAd = new FdCallbackPollAdptr(c, POLLIN, [this, l](short) {
                        char buf[64];
                        const ssize_t n = ::recv(l->inFd, buf, sizeof buf, 0);
                        if (n > 0) {
                            l->lastHeard = Clock::now();
                            if (l->hb != PipeHead::ALIVE) {
                                l->hb = PipeHead::ALIVE;
                                ReportStatus(l->remAlias, l->device, PipeHead::ALIVE);
                            }
                        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                            std::fprintf(stderr, "hvstubagent: %s %s: incoming connection ended (%s)\n",
                                         l->remAlias.c_str(), l->device.c_str(), n == 0 ? "closed" : std::strerror(errno));
                            Link::Drop(l->inAd, l->inFd);
                        }
                        return BasePollAdptr::DIDWORK;
                    });
                    l->inAd->Register();
                }
            });
            l->listenAd->Register();
        } else if (fd != -1) {
            ::close(fd);
        }
    }
    // The outgoing connection: connect, then beat.
    auto lose = [this, l](Clock::time_point at, const char* why) {
        const bool was = l->outConnected;
        if (was)
            std::fprintf(stderr, "hvstubagent: %s %s: outgoing connection lost (%s: %s)\n", l->remAlias.c_str(),
                         l->device.c_str(), why, errno == 0 ? "closed by the peer" : std::strerror(errno));
        Link::Drop(l->outAd, l->outFd);
        l->outConnected = false;
        l->nextConnect = at + std::min<Clock::duration>(l->interval, std::chrono::milliseconds(500));
        if (was) ReportDisconnected(l->remAlias, l->device);
    };
    auto beat = [l, lose](Clock::time_point at) {
        const char b = 'B';
        if (::send(l->outFd, &b, 1, MSG_NOSIGNAL | MSG_DONTWAIT) == -1 && errno != EAGAIN && errno != EWOULDBLOCK) {
            lose(at, "send");
            return;
        }
        l->nextBeat = at + l->interval;
    };
    if (l->outFd == -1 && now >= l->nextConnect) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd == -1) {
            l->nextConnect = now + l->interval;
        } else if (::connect(fd, reinterpret_cast<sockaddr*>(&l->peer), sizeof l->peer) == -1 &&
                   errno != EINPROGRESS) {
            ::close(fd);
            l->nextConnect = now + std::min<Clock::duration>(l->interval, std::chrono::milliseconds(500));
        } else {
            l->outFd = fd;
            l->outAd = new FdCallbackPollAdptr(fd, POLLOUT, [this, l, lose, beat](short revents) {
                const Clock::time_point at = Clock::now();
                if (!l->outConnected) {
                    int err = 0;
                    socklen_t len = sizeof err;
                    if (::getsockopt(l->outFd, SOL_SOCKET, SO_ERROR, &err, &len) != 0 || err != 0) {
                        errno = err;
                        lose(at, "connect");
                        return BasePollAdptr::DIDWORK;
                    }
                    l->outConnected = true;
                    l->outAd->SetEvents(POLLIN);  // the peer's close shows as readable
                    ReportOutConn(l->remAlias, l->device, l->hb);
                    beat(at);
                    return BasePollAdptr::DIDWORK;
                }
                if (revents & POLLIN) {
                    char buf[64];
                    const ssize_t n = ::recv(l->outFd, buf, sizeof buf, 0);
                    if (n == 0) errno = 0;
                    if (n == 0 || (n == -1 && errno != EAGAIN && errno != EINTR)) lose(at, "recv");
                }
                return BasePollAdptr::DIDWORK;
            });
            l->outAd->Register();
        }
    }
    if (l->outConnected && now >= l->nextBeat) beat(now);
    // Silence.
    if (l->hb != PipeHead::DEAD && now - l->lastHeard >= l->interval * l->maxMiss) {
        l->hb = PipeHead::DEAD;
        ReportStatus(l->remAlias, l->device, PipeHead::DEAD);
    }
}
