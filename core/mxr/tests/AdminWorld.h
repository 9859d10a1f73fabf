// A manager's path administrator in one process: the manager world (not
// initialised), the test clock, and stand-ins for what surrounds it:
//   - agent pipes: the route of an agent process (NODEA/pid/tid) ends in a
//     receiver that keeps the add-host and delete-host requests and answers
//     them with a chosen value, later (Release) or never;
//   - a listener that keeps the notices it is sent;
//   - a client whose route keeps whatever the administrator answers it.
// Everything the stand-ins are handed goes into one log, in the order of
// delivery, so that tests can see what came before what.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "../../Base/libsrc/tests/ManualTimerClock.h"
#include "AdminTestSupport.h"
#include "BaseAddrEnt.h"
#include "CommAgentMsgRcvrAddHostReqMsg.h"
#include "CommAgentMsgRcvrDeleteHostReqMsg.h"
#include "MxrAdminCreateCommAgentReqMsg.h"
#include "MxrAdminCreateCommPathReqMsg.h"
#include "MxrAdminDeleteCommPathReqMsg.h"
#include "MxrAdminIsAnyCommPathToHostUpReqMsg.h"
#include "MxrAdminRegisterCommAgentReqMsg.h"
#include "MxrAdminRegisterCommPathNotifyStatusReqMsg.h"
#include "MxrAdminReportCommPathStatusReqMsg.h"
#include "MxrAdminReportDisconnectedReqMsg.h"
#include "MxrAdminReportOutConnCompleteReqMsg.h"
#include "MxrWorld.h"
#include "PostOfficeRcvFromHostMboxRspMsg.h"

namespace mxrtest {

// One line per message a stand-in was handed.
using AdminLog = std::vector<std::string>;

inline std::string StatusName(int s) {
    static const char* names[] = {"NONE", "INITIALIZING", "ALIVE", "DEAD"};
    return s >= 0 && s <= 3 ? names[s] : std::to_string(s);
}

// The pipe of an agent process: "<name> add <remAlias>" / "<name> del
// <remAlias>", answered with retVal unless held; "<name> tag <n>" for a
// registration answer.
class AgentPipe : public BaseMsgRcvr {
public:
    AgentPipe(const char* name_, AdminLog& log_) : name(name_), log(log_) {}
    enMsgResult MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr&) override {
        if (CommAgentMsgRcvrAddHostReqMsgPtr r(msg); r.Ok()) {
            log.push_back(name + " add " + Alias(r->GetCommPathPtr()));
            Reply(msg);
        } else if (CommAgentMsgRcvrDeleteHostReqMsgPtr d(msg); d.Ok()) {
            log.push_back(name + " del " + Alias(d->GetCommPathPtr()));
            Reply(msg);
        } else if (MxrAdminRegisterCommAgentRspMsgPtr t(msg); t.Ok()) {
            log.push_back(name + " tag " + std::to_string(t->GetRetVal()));
        } else {
            log.push_back(name + " " + msg->GetClassName());
        }
        return PROCESSED;
    }
    // Answers every held request now.
    void Release() {
        std::vector<BaseMsgPtr> now;
        now.swap(held);
        for (const BaseMsgPtr& m : now) Answer(m);
    }
    bool hold = false;
    int retVal = 0;
    std::vector<BaseMsgPtr> held;

private:
    static std::string Alias(const DestHostEntPtr& p) {
        return p.GetPtr() ? p->GetRemoteAlias().StrVal() : std::string("<null>");
    }
    void Reply(const BaseMsgPtr& msg) {
        if (hold)
            held.push_back(msg);
        else
            Answer(msg);
    }
    void Answer(const BaseMsgPtr& msg) {
        BaseMsgPtr rsp;
        if (CommAgentMsgRcvrAddHostReqMsgPtr r(msg); r.Ok()) {
            auto* a = new CommAgentMsgRcvrAddHostRspMsg(*r.GetPtr());
            a->SetRetVal(retVal);
            rsp = a;
        } else {
            auto* d = new CommAgentMsgRcvrDeleteHostRspMsg(*CommAgentMsgRcvrDeleteHostReqMsgPtr(msg).GetPtr());
            d->SetRetVal(retVal);
            rsp = d;
        }
        rsp.Send();
    }
    std::string name;
    AdminLog& log;
};

// A status listener: "notice <remoteHost> <remoteAlias> <dev> <STATUS>".
class Listener : public BaseMsgRcvr {
public:
    explicit Listener(AdminLog& log_) : log(log_) {}
    enMsgResult MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr&) override {
        CommPathStatusMsgPtr n(msg);
        if (!n.Ok()) {
            log.push_back(std::string("listener ") + msg->GetClassName());
            return PROCESSED;
        }
        log.push_back("notice " + std::string(n->GetRemoteHost().StrVal()) + " " + n->GetRemoteAlias().StrVal() + " " +
                      n->GetDevPathName().StrVal() + " " + StatusName(n->GetStatus()));
        return PROCESSED;
    }

private:
    AdminLog& log;
};

// A client process: "client <Answer class without the MxrAdmin prefix> <retVal>".
class ClientPipe : public BaseMsgRcvr {
public:
    explicit ClientPipe(AdminLog& log_) : log(log_) {}
    enMsgResult MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr&) override {
        std::ostringstream os;
        os << "client ";
        if (MxrAdminCreateCommPathRspMsgPtr r(msg); r.Ok())
            os << "CreatePath " << r->GetRetVal();
        else if (MxrAdminDeleteCommPathRspMsgPtr r(msg); r.Ok())
            os << "DeletePath " << r->GetRetVal();
        else if (MxrAdminCreateCommAgentRspMsgPtr r(msg); r.Ok())
            os << "CreateAgent " << r->GetRetVal();
        else if (MxrAdminIsAnyCommPathToHostUpRspMsgPtr r(msg); r.Ok())
            os << "Up " << r->GetRetVal();
        else if (MxrAdminRegisterCommPathNotifyStatusRspMsgPtr r(msg); r.Ok())
            os << "Notify " << r->GetRetVal();
        else if (PostOfficeRcvFromHostMboxRspMsgPtr r(msg); r.Ok())
            os << "HostRcv " << r->GetRetVal();
        else
            os << msg->GetClassName();
        log.push_back(os.str());
        return PROCESSED;
    }

private:
    AdminLog& log;
};

class AdminWorld {
public:
    RuntimeScope scope{"NODEA", 1};
    ManualTimerClock clock;
    MxrWorld world;
    AdminLog log;
    Listener listener{log};
    ClientPipe client{log};
    BaseAddrEntPtr clientRoute{new BaseAddrEnt(bStr("NODEA"), 5000, 1, &client)};
    std::map<std::string, AgentPipe*> agents;
    std::vector<BaseAddrEntPtr> routes;
    std::vector<std::unique_ptr<AgentPipe>> pipes;
    int savedTag = CommAgentEnt::GetTagValue();

    AdminWorld() {
        MxrAdmin::ResetClassLists();
        CommAgentEnt::SetTagValue(0);
    }
    ~AdminWorld() {
        MxrAdmin::ResetClassLists();
        CommAgentEnt::SetTagValue(savedTag);
    }

    MxrAdmin& Admin() { return world.GetMxrAdmin(); }
    static BaseAddrPtr AdminAddr() { return BaseAddrPtr(new LogicalAddr(bStr("NODEA"), LogicalAddr::MXRADMIN)); }
    static BaseAddrPtr ClientAddr() { return BaseAddrPtr(new BaseAddr(bStr("NODEA"), 5000, 1)); }

    // The pipe of an agent process pid (tid 1), made on first use.
    AgentPipe& Pipe(const std::string& name, long pid) {
        if (agents.count(name) == 0) {
            pipes.emplace_back(new AgentPipe(name.c_str(), log));
            agents[name] = pipes.back().get();
            routes.emplace_back(new BaseAddrEnt(bStr("NODEA"), pid, 1, pipes.back().get()));
        }
        return *agents[name];
    }

    // Sends msg from the client (requests) and runs the loop until nothing is
    // queued; the stderr of the run.
    std::string Deliver(const BaseMsgPtr& msg) {
        if (msg->IsOfType(BaseReqMsg::ClassCode) && !msg->GetFrmAddr().Ok()) msg->SetFrmAddr(ClientAddr());
        ::testing::internal::CaptureStderr();
        msg.Send();
        Drain();
        return ::testing::internal::GetCapturedStderr();
    }
    void Drain() {
        for (int turn = 0; turn < 100 && world.GetMsgList().GetItemCnt() > 0; ++turn) world.ProcessMessages();
        EXPECT_EQ(world.GetMsgList().GetItemCnt(), 0);
    }
    // Moves the clock on and runs what falls due; the stderr of the run.
    std::string Advance(unsigned ms) {
        ::testing::internal::CaptureStderr();
        clock.AdvanceMs(ms);
        world.ProcessTimers();
        Drain();
        return ::testing::internal::GetCapturedStderr();
    }

    // An agent process registering: from its pipe's route.
    std::string Register(const std::string& name, long pid, const char* alias, CommAgentEnt::CommAgentType type) {
        Pipe(name, pid);
        BaseMsgPtr reg(new MxrAdminRegisterCommAgentReqMsg(AdminAddr(), pid, 1L, bStr(alias), type, bStr("")));
        reg->SetFrmAddr(BaseAddrPtr(new BaseAddr(bStr("NODEA"), pid, 1)));
        return Deliver(reg);
    }
    std::string CreatePath(const char* host, const char* local, const char* remote, CommAgentEnt::CommAgentType type,
                           const char* dev = "eth0") {
        return Deliver(BaseMsgPtr(new MxrAdminCreateCommPathReqMsg(AdminAddr(), bStr(host), bStr(local), bStr(remote),
                                                                   type, bStr(dev), 1, 4, 3, 0, BaseMsgPtr())));
    }
    std::string DeletePath(const char* host, const char* local, const char* remote, CommAgentEnt::CommAgentType type,
                           const char* dev = "eth0") {
        return Deliver(BaseMsgPtr(
            new MxrAdminDeleteCommPathReqMsg(AdminAddr(), bStr(host), bStr(local), bStr(remote), type, bStr(dev))));
    }
    std::string Status(int tag, const char* remote, int status, const char* dev = "eth0") {
        return Deliver(BaseMsgPtr(new MxrAdminReportCommPathStatusReqMsg(
            AdminAddr(), tag, bStr(remote), bStr(dev), static_cast<PipeHead::HeartBeatStatus>(status))));
    }
    std::string OutConn(int tag, const char* remote, int inStatus, const char* dev = "eth0") {
        return Deliver(BaseMsgPtr(new MxrAdminReportOutConnCompleteReqMsg(
            AdminAddr(), tag, bStr(remote), static_cast<PipeHead::HeartBeatStatus>(inStatus), bStr(dev))));
    }
    std::string Disconnected(int tag, const char* remote, const char* dev = "eth0") {
        return Deliver(BaseMsgPtr(new MxrAdminReportDisconnectedReqMsg(AdminAddr(), tag, bStr(remote), bStr(dev))));
    }
    void Listen() {
        Admin().RegisterCommPathNotifyStatus(CommPathStatusMsgPtr(new CommPathStatusMsg(listener.GetAddrPtr())));
    }

    // The agent record of tag, or null.
    static CommAgentEntPtr Agent(int tag) {
        CommAgentEntLstIter it(MxrAdmin::GetCommAgentEntLst());
        for (CommAgentEntPtr a = it.First(); a.GetPtr() != nullptr; a = it.Next())
            if (a->GetEntTag() == tag) return a;
        return CommAgentEntPtr();
    }
    // "<hb>/<conn>" of the agent's path to remote alias, "-" when none.
    static std::string PathState(int tag, const char* remote) {
        CommAgentEntPtr a = Agent(tag);
        if (a.GetPtr() == nullptr) return "-";
        DestHostEntLstIter it(a->GetCommPathLst());
        for (DestHostEntPtr p = it.First(); p.GetPtr() != nullptr; p = it.Next())
            if (p->GetRemoteAlias() == remote)
                return StatusName(p->GetHbStatus()) + "/" + StatusName(p->GetConnectionStatus());
        return "-";
    }
    // Everything logged since the last call.
    AdminLog Take() {
        AdminLog out;
        out.swap(log);
        return out;
    }
};

}  // namespace mxrtest
