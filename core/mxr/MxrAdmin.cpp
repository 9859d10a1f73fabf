#include "MxrAdmin.h"

#include <iostream>
#include <sstream>
#include <vector>

#include "AnswerWithRetVal.h"
#include "BaseWorld.h"
#include "ClassDefine.h"
#include "CommAgentMsgRcvrAddHostReqMsg.h"
#include "GenericTimeoutMsg.h"
#include "LocalForms.h"
#include "LogicalAddr.h"
#include "MxrAdminCreateCommAgentReqMsg.h"
#include "MxrAdminCreateCommAgentSM.h"
#include "MxrAdminCreateCommPathReqMsg.h"
#include "MxrAdminCreateCommPathSM.h"
#include "MxrAdminDeleteCommAgentReqMsg.h"
#include "MxrAdminDeleteCommPathReqMsg.h"
#include "MxrAdminDeleteCommPathSM.h"
#include "MxrAdminIsAnyCommPathToHostUpReqMsg.h"
#include "MxrAdminRegisterCommAgentReqMsg.h"
#include "MxrAdminRegisterCommPathNotifyStatusReqMsg.h"
#include "MxrAdminReportCommPathStatusReqMsg.h"
#include "MxrAdminReportDisconnectedReqMsg.h"
#include "MxrAdminReportOutConnCompleteReqMsg.h"
#include "MxrWorld.h"
#include "TimerManager.h"
#include "platform/TestTimeScale.h"

MXR_LOCAL_CLASS_DEFINE_CUSTOM(MxrAdmin);

MXR_LOCAL_FORMS(MxrAdmin, BaseMsgRcvr);

namespace {

// The class-wide lists, made at first use and released in reverse order.
struct ClassLists {
    CommAgentEntLst commAgentEntLst;
    RemoteHostEntLst remoteHostEntLst;
    MxrAdminCreateCommPathSMLst ccpSMLst;
    MxrAdminDeleteCommPathSMLst deleteCPSMLst;
    MxrAdminCreateCommAgentSMLst cCASMLst;
};

ClassLists& Lists() {
    static ClassLists lists;
    return lists;
}

bool IsUp(const DestHostEntPtr& path) {
    return path->GetHbStatus() == PipeHead::ALIVE && path->GetConnectionStatus() == DestHostEnt::ALIVE;
}

}  // namespace

MxrAdmin::MxrAdmin() {
    MXR_METHOD_FRAME("MxrAdmin", 0);
    LocalHostLogicalEntPtr = new LogicalAddrEnt(LogicalAddr::MXRADMIN, GetAddrPtr());
}

MxrAdmin::~MxrAdmin() { MXR_METHOD_FRAME("~MxrAdmin", 0); }

LogicalAddrEntPtr MxrAdmin::GetLocalHostLogicalEntPtr() const {
    MXR_METHOD_FRAME("GetLocalHostLogicalEntPtr", 0);
    return LocalHostLogicalEntPtr;
}

void MxrAdmin::SetLocalHostLogicalEntPtr(LogicalAddrEntPtr entry) {
    MXR_METHOD_FRAME("SetLocalHostLogicalEntPtr", 1);
    LocalHostLogicalEntPtr = entry;
}

CommPathStatusMsgLst& MxrAdmin::GetCommMsgLst() {
    MXR_METHOD_FRAME("GetCommMsgLst", 0);
    return CommMsgLst;
}

CommAgentEntLst& MxrAdmin::GetCommAgentEntLst() { return Lists().commAgentEntLst; }
RemoteHostEntLst& MxrAdmin::GetRemoteHostEntLst() { return Lists().remoteHostEntLst; }
MxrAdminCreateCommPathSMLst& MxrAdmin::GetCcpSMLst() { return Lists().ccpSMLst; }
MxrAdminDeleteCommPathSMLst& MxrAdmin::GetDeleteCPSMLst() { return Lists().deleteCPSMLst; }
MxrAdminCreateCommAgentSMLst& MxrAdmin::GetCCASMLst() { return Lists().cCASMLst; }

void MxrAdmin::ResetClassLists() {
    ClassLists& l = Lists();
    l.cCASMLst = MxrAdminCreateCommAgentSMLst();
    l.deleteCPSMLst = MxrAdminDeleteCommPathSMLst();
    l.ccpSMLst = MxrAdminCreateCommPathSMLst();
    l.remoteHostEntLst = RemoteHostEntLst();
    l.commAgentEntLst = CommAgentEntLst();
}

// ---- registration and the request machines ------------------------------------

int MxrAdmin::RegisterCommAgent(long pid, long tid, bStr localAlias, CommAgentEnt::CommAgentType commAgentType,
                                bStr devPathName) {
    MXR_METHOD_FRAME("RegisterCommAgent", 5);
    CommAgentEntPtr agent = FindMatchingAgent(commAgentType, localAlias, devPathName);
    if (agent.GetPtr() != nullptr) {
        // Another live process had this record: that agent is gone, and its
        // paths must reach the new one.
        if (agent->GetPid() != 0 && agent->GetPid() != pid) {
            AgentDied(agent);
            Restarted.Append(agent);
        } else if (agent->GetPid() == 0 && agent->GetCommAgentStatus() == CommAgentEnt::DEAD) {
            // Its process went away earlier (CommAgentGone): the paths it
            // served must reach the new one too.
            Restarted.Append(agent);
        }
        agent->SetPid(pid);
        agent->SetTid(tid);
    } else {
        agent = new CommAgentEnt(pid, tid, localAlias, commAgentType, devPathName);
        GetCommAgentEntLst().Append(agent);
    }
    agent->SetCommAgentStatus(CommAgentEnt::ALIVE);

    // Every waiting machine of this agent gets its own copy of the
    // registration (one message can hold one address).
    const MxrAdminRegisterCommAgentReqMsgPtr reg(BaseMsgRcvr::GetCurrentMsg());
    if (reg.Ok()) {
        MxrAdminCreateCommAgentSMLstIter sm(GetCCASMLst());
        for (MxrAdminCreateCommAgentSMPtr m = sm.First(); m.GetPtr() != nullptr; m = sm.Next()) {
            if (agent->IsaMatch(m->GetCommAgentType(), m->GetLocalAlias(), m->GetDevPathName()) != 0) continue;
            BaseMsgPtr copy(new MxrAdminRegisterCommAgentReqMsg(*reg.GetPtr()));
            copy->SetToAddr(m->GetAddrPtr());
            copy.Send();
        }
    }
    return agent->GetEntTag();
}

namespace {
// Puts machine in list and hands it the request being dispatched.
void HandOver(BasePtrLst& list, BaseMsgRcvr* machine, const BasePtr& held) {
    list.Append(held);
    BaseMsgPtr req = BaseMsgRcvr::GetCurrentMsg();
    req->SetToAddr(machine->GetAddrPtr());
    req.Send();
}
}  // namespace

int MxrAdmin::CreateCommPath(const bStr&, const bStr&, const bStr&, const CommAgentEnt::CommAgentType&, const bStr&,
                             const int&, const int&, const int&, const int&, const BaseMsgPtr&) {
    MXR_METHOD_FRAME("CreateCommPath", 10);
    MxrAdminCreateCommPathSM* sm = new MxrAdminCreateCommPathSM();
    HandOver(GetCcpSMLst(), sm, MxrAdminCreateCommPathSMPtr(sm));
    return 1;
}

int MxrAdmin::DeleteCommPath(bStr, bStr, bStr, CommAgentEnt::CommAgentType, bStr) {
    MXR_METHOD_FRAME("DeleteCommPath", 5);
    MxrAdminDeleteCommPathSM* sm = new MxrAdminDeleteCommPathSM();
    HandOver(GetDeleteCPSMLst(), sm, MxrAdminDeleteCommPathSMPtr(sm));
    return 1;
}

int MxrAdmin::CreateCommAgent(bStr, CommAgentEnt::CommAgentType, bStr, BaseMsgPtr) {
    MXR_METHOD_FRAME("CreateCommAgent", 4);
    MxrAdminCreateCommAgentSM* sm = new MxrAdminCreateCommAgentSM();
    HandOver(GetCCASMLst(), sm, MxrAdminCreateCommAgentSMPtr(sm));
    return 1;
}

int MxrAdmin::DeleteCommAgent(bStr, CommAgentEnt::CommAgentType, bStr) {
    MXR_METHOD_FRAME("DeleteCommAgent", 3);
    return 1;
}

int MxrAdmin::RegisterCommPathNotifyStatus(CommPathStatusMsgPtr msg) {
    MXR_METHOD_FRAME("RegisterCommPathNotifyStatus", 1);
    if (!msg.Ok()) return 0;
    CommMsgLst.Append(msg);
    return 1;
}

// ---- reports ----------------------------------------------------------------
//
// What a report does to the path it names:
//   status ALIVE            heartbeat ALIVE; event ALIVE when the connection is ALIVE
//   status DEAD             heartbeat DEAD; event DEAD
//   status other            nothing
//   out-conn complete       connection ALIVE; heartbeat already ALIVE: event ALIVE;
//                           else the reported NONE/INITIALIZING/DEAD stored, or
//                           ALIVE stored with event ALIVE (other values: nothing)
//   disconnected            connection DEAD
// Events are not edge-triggered: each qualifying report raises one.

bool MxrAdmin::FindReported(const char* op, int tag, const bStr& remAlias, const bStr& device, const char* pathTail,
                            CommAgentEntPtr& agent, DestHostEntPtr& path) {
    CommAgentEntLstIter agents(GetCommAgentEntLst());
    for (agent = agents.First(); agent.GetPtr() != nullptr; agent = agents.Next())
        if (agent->GetEntTag() == tag) break;
    if (agent.GetPtr() == nullptr) {
        Progress(std::string("ERROR: MxrAdmin::") + op + "(): didn't find comm agent");
        return false;
    }
    DestHostEntLstIter paths(agent->GetCommPathLst());
    for (path = paths.First(); path.GetPtr() != nullptr; path = paths.Next())
        if (path->GetRemoteAlias() == remAlias && path->GetDevicePathName() == device) return true;
    Progress(std::string("ERROR: MxrAdmin::") + op + "(): didn't find host " + remAlias.StrVal() + pathTail);
    return false;
}

CommAgentEntPtr MxrAdmin::FindMatchingAgent(CommAgentEnt::CommAgentType type, const bStr& alias, const bStr& dev) {
    CommAgentEntLstIter it(GetCommAgentEntLst());
    for (CommAgentEntPtr a = it.First(); a.GetPtr() != nullptr; a = it.Next())
        if (a->IsaMatch(type, alias, dev) == 0) return a;
    return CommAgentEntPtr();
}

RemoteHostEntPtr MxrAdmin::FindRemoteHost(const bStr& host) {
    RemoteHostEntLstIter it(GetRemoteHostEntLst());
    for (RemoteHostEntPtr h = it.First(); h.GetPtr() != nullptr; h = it.Next())
        if (h->GetHost() == host) return h;
    return RemoteHostEntPtr();
}

TimerTagPtr MxrAdmin::StartWaitTimer(BaseMsgRcvr& machine) {
    return TimerManager::SetOneShotTimer(BaseMsgPtr(new GenericTimeoutMsg(machine.GetAddrPtr())),
                                         portlib::platform::ScaledMs(WaitMs));
}

void MxrAdmin::Progress(const std::string& line) { std::cerr << line + "\n" << std::flush; }

void MxrAdmin::PathEvent(const CommAgentEntPtr& agent, const DestHostEntPtr& path, PipeHead::HeartBeatStatus status) {
    Progress(status == PipeHead::ALIVE ? "POSSIBLY A COMMUP EVENT HERE!!" : "POSSIBLY A COMMDOWN EVENT HERE!!");
    ReportCommPathEvent(path->GetLocalAlias(), path->GetDevicePathName(), agent->GetCommAgentType(),
                        path->GetRemoteHostName(), path->GetRemoteAlias(), status);
}

void MxrAdmin::ReportCommPathStatus(int commAgentTag, bStr remAlias, bStr deviceName,
                                    PipeHead::HeartBeatStatus hbStatus) {
    MXR_METHOD_FRAME("ReportCommPathStatus", 4);
    std::ostringstream entry;
    entry << "MxrAdmin::ReportCommPathStatus() commAgentTag=" << commAgentTag << " remAlias=" << remAlias
          << " hbStatus=" << static_cast<int>(hbStatus);
    Progress(entry.str());
    CommAgentEntPtr agent;
    DestHostEntPtr path;
    if (!FindReported("ReportCommPathStatus", commAgentTag, remAlias, deviceName, " - OK ignore the message", agent,
                      path))
        return;
    if (hbStatus == PipeHead::ALIVE) {
        path->SetHbStatus(PipeHead::ALIVE);
        if (path->GetConnectionStatus() == DestHostEnt::ALIVE) PathEvent(agent, path, PipeHead::ALIVE);
    } else if (hbStatus == PipeHead::DEAD) {
        path->SetHbStatus(PipeHead::DEAD);
        PathEvent(agent, path, PipeHead::DEAD);
    } else {
        Progress("MxrAdmin::ReportCommPathStatus(): hbStatus=" + std::to_string(static_cast<int>(hbStatus)));
    }
}

void MxrAdmin::ReportOutConnComplete(int commAgentTag, bStr remAlias, PipeHead::HeartBeatStatus inHBStatus,
                                     bStr devicePath) {
    MXR_METHOD_FRAME("ReportOutConnComplete", 4);
    std::ostringstream entry;
    entry << "MxrAdmin::ReportOutConnComplete() commAgentTag=" << commAgentTag << " remAlias=" << remAlias
          << " inHBStatus=" << static_cast<int>(inHBStatus);
    Progress(entry.str());
    CommAgentEntPtr agent;
    DestHostEntPtr path;
    if (!FindReported("ReportOutConnComplete", commAgentTag, remAlias, devicePath, "", agent, path)) return;
    path->SetConnectionStatus(DestHostEnt::ALIVE);
    if (path->GetHbStatus() == PipeHead::ALIVE) return PathEvent(agent, path, PipeHead::ALIVE);
    switch (inHBStatus) {
        case PipeHead::NONE:
        case PipeHead::INITIALIZING:
        case PipeHead::DEAD:
            path->SetHbStatus(inHBStatus);
            break;
        case PipeHead::ALIVE:
            path->SetHbStatus(inHBStatus);
            PathEvent(agent, path, PipeHead::ALIVE);
            break;
        default:
            Progress("MxrAdmin::ReportOutConnComplete(): inHBStatus=" + std::to_string(static_cast<int>(inHBStatus)));
    }
}

void MxrAdmin::ReportDisconnected(int commAgentTag, bStr remAlias, bStr devicePath) {
    MXR_METHOD_FRAME("ReportDisconnected", 3);
    std::ostringstream entry;
    entry << "MxrAdmin::ReportDisconnected() commAgentTag=" << commAgentTag << " remAlias=" << remAlias << "\n";
    std::cout << entry.str() << std::flush;
    CommAgentEntPtr agent;
    DestHostEntPtr path;
    if (!FindReported("ReportDisconnected", commAgentTag, remAlias, devicePath, "", agent, path)) return;
    path->SetConnectionStatus(DestHostEnt::DEAD);
}

void MxrAdmin::ReportCommPathEvent(const bStr& localAlias, const bStr& devPathName,
                                   CommAgentEnt::CommAgentType commAgentType, const bStr& remoteHost,
                                   const bStr& remoteAlias, PipeHead::HeartBeatStatus status) {
    MXR_METHOD_FRAME("ReportCommPathEvent", 6);
    if (IsHostAlive(remoteHost) == 0 && BaseAddr::GetMxrWorldFlg() != 0) {
        if (auto* world = dynamic_cast<MxrWorld*>(BaseWorld::GetWorldPtr()))
            world->GetMxrPostOffice().DispatchPendingRcvFromHost(remoteHost);
    }
    // A fresh notice per event and listener: two events queued before either
    // is delivered keep their own values.
    CommPathStatusMsgLstIter it(CommMsgLst);
    for (CommPathStatusMsgPtr tmpl = it.First(); tmpl.GetPtr() != nullptr; tmpl = it.Next()) {
        CommPathStatusMsgPtr notice(new CommPathStatusMsg(tmpl->GetToAddr()));
        notice->SetLocalAlias(localAlias);
        notice->SetDevPathName(devPathName);
        notice->SetCommAgentType(commAgentType);
        notice->SetRemoteHost(remoteHost);
        notice->SetRemoteAlias(remoteAlias);
        notice->SetStatus(status);
        BaseMsgPtr(notice).Send();
    }
}

// ---- agents that go away ----------------------------------------------------------

void MxrAdmin::AgentDied(const CommAgentEntPtr& agent) {
    // Reset first, so that the events' liveness test sees the paths down.
    std::vector<DestHostEntPtr> wereUp;
    DestHostEntLstIter it(agent->GetCommPathLst());
    for (DestHostEntPtr p = it.First(); p.GetPtr() != nullptr; p = it.Next()) {
        if (IsUp(p)) wereUp.push_back(p);
        p->SetHbStatus(PipeHead::NONE);
        p->SetConnectionStatus(DestHostEnt::INITIALIZING);
    }
    for (const DestHostEntPtr& p : wereUp) PathEvent(agent, p, PipeHead::DEAD);
}

void MxrAdmin::CommAgentGone(long pid, long tid) {
    MXR_METHOD_FRAME("CommAgentGone", 2);
    if (pid == 0) return;
    CommAgentEntLstIter it(GetCommAgentEntLst());
    for (CommAgentEntPtr a = it.First(); a.GetPtr() != nullptr; a = it.Next()) {
        if (a->GetPid() != pid || a->GetTid() != tid) continue;
        AgentDied(a);
        a->SetPid(0);
        a->SetTid(0);
        // Not ALIVE any more: a request for its paths waits for the agent's
        // next registration instead of asking a process that is gone.
        a->SetCommAgentStatus(CommAgentEnt::DEAD);
    }
}

void MxrAdmin::ResendPaths(const CommAgentEntPtr& agent) {
    const BaseAddrPtr to(
        new LogicalAddr(BaseAddr::GetCurrentHost(), agent->GetPid(), agent->GetTid(), LogicalAddr::COMMAGENTMSGRCVR));
    DestHostEntLstIter it(agent->GetCommPathLst());
    for (DestHostEntPtr p = it.First(); p.GetPtr() != nullptr; p = it.Next()) {
        BaseMsgPtr add(new CommAgentMsgRcvrAddHostReqMsg(to, p));
        add->SetFrmAddr(GetAddrPtr());
        add.Send();
    }
}

// ---- liveness ---------------------------------------------------------------

int MxrAdmin::IsAnyCommPathToHostUp(bStr host, bStr alias) {
    MXR_METHOD_FRAME("IsAnyCommPathToHostUp", 2);
    if (host == BaseAddr::GetCurrentHostRef()) return 0;
    if (FindRemoteHost(host).GetPtr() == nullptr) return 1;
    CommAgentEntLstIter agents(GetCommAgentEntLst());
    for (CommAgentEntPtr a = agents.First(); a.GetPtr() != nullptr; a = agents.Next()) {
        DestHostEntLstIter paths(a->GetCommPathLst());
        for (DestHostEntPtr p = paths.First(); p.GetPtr() != nullptr; p = paths.Next())
            if (p->GetRemoteHostName() == host && p->GetRemoteAlias() == alias && IsUp(p)) return 0;
    }
    return 1;
}

int MxrAdmin::IsHostAlive(const bStr& host) {
    MXR_METHOD_FRAME("IsHostAlive", 1);
    return IsAnyCommPathToHostUp(host, host) == 0 ? 1 : 0;
}

// ---- dispatch -----------------------------------------------------------------

BaseMsgRcvr::enMsgResult MxrAdmin::MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) {
    MXR_METHOD_FRAME("MsgHdlr", 2);
    if (AnswerWithRetVal<MxrAdminRegisterCommAgentReqMsg, MxrAdminRegisterCommAgentRspMsg>(
            msg, [this](const MxrAdminRegisterCommAgentReqMsgPtr& r) {
                return RegisterCommAgent(r->GetPid(), r->GetTid(), r->GetLocalAlias(), r->GetCommAgentType(),
                                         r->GetDevPathName());
            })) {
        // The answer is out: now the restarted agents get their paths.
        CommAgentEntLstIter it(Restarted);
        for (CommAgentEntPtr a = it.First(); a.GetPtr() != nullptr; a = it.Next()) ResendPaths(a);
        Restarted = CommAgentEntLst();
        return PROCESSED;
    }
    if (MxrAdminCreateCommPathReqMsgPtr r(msg); r.Ok()) {
        CreateCommPath(r->GetRemoteHostName(), r->GetLocalAlias(), r->GetRemoteAlias(), r->GetCommAgentType(),
                       r->GetDevPathName(), r->GetPriority(), r->GetHbInterval(), r->GetHbMaxMiss(), r->GetBaudRate(),
                       r->GetInitMsg());
        return PROCESSED;
    }
    if (MxrAdminDeleteCommPathReqMsgPtr r(msg); r.Ok()) {
        DeleteCommPath(r->GetRemoteHostName(), r->GetLocalAlias(), r->GetRemoteAlias(), r->GetCommAgentType(),
                       r->GetDevPathName());
        return PROCESSED;
    }
    if (MxrAdminCreateCommAgentReqMsgPtr r(msg); r.Ok()) {
        CreateCommAgent(r->GetLocalAlias(), r->GetCommAgentType(), r->GetDevPathName(), r->GetInitMsg());
        return PROCESSED;
    }
    if (MxrAdminDeleteCommAgentReqMsgPtr r(msg); r.Ok()) {
        DeleteCommAgent(r->GetLocalAlias(), r->GetCommAgentType(), r->GetDevPathName());
        return PROCESSED;
    }
    if (MxrAdminReportCommPathStatusReqMsgPtr r(msg); r.Ok()) {
        ReportCommPathStatus(r->GetCommAgentTag(), r->GetRemAlias(), r->GetDeviceName(), r->GetHbStatus());
        return PROCESSED;
    }
    if (MxrAdminReportOutConnCompleteReqMsgPtr r(msg); r.Ok()) {
        ReportOutConnComplete(r->GetCommAgentTag(), r->GetRemAlias(), r->GetInHBStatus(), r->GetDevicePath());
        return PROCESSED;
    }
    if (MxrAdminReportDisconnectedReqMsgPtr r(msg); r.Ok()) {
        ReportDisconnected(r->GetCommAgentTag(), r->GetRemAlias(), r->GetDevicePath());
        return PROCESSED;
    }
    if (AnswerWithRetVal<MxrAdminIsAnyCommPathToHostUpReqMsg, MxrAdminIsAnyCommPathToHostUpRspMsg>(
            msg, [this](const MxrAdminIsAnyCommPathToHostUpReqMsgPtr& r) {
                return IsAnyCommPathToHostUp(r->GetRemHost(), r->GetRemAlias());
            }))
        return PROCESSED;
    if (AnswerWithRetVal<MxrAdminRegisterCommPathNotifyStatusReqMsg, MxrAdminRegisterCommPathNotifyStatusRspMsg>(
            msg, [this](const MxrAdminRegisterCommPathNotifyStatusReqMsgPtr& r) {
                return RegisterCommPathNotifyStatus(r->GetTheMsgPtr());
            }))
        return PROCESSED;
    // The answers of the add-host requests that followed a restart.
    if (CommAgentMsgRcvrAddHostRspMsgPtr(msg).Ok()) return PROCESSED;
    return BaseMsgRcvr::MsgHdlr(msg, ctrl);
}
