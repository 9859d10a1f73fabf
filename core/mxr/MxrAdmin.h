// The communication-path administrator of a host: the receiver at logical
// name MXRADMIN (7) in the manager process. It keeps the registry of the
// host's agents (each with the paths it serves) and of the remote hosts
// paths were asked for, registers agents, hands create and delete requests
// to their state machines, takes the agents' reports about their paths,
// tells its status listeners when a path comes up or goes down, and answers
// whether a host can be reached.
//
// The registry and the pending machines are class-wide (one per process) and
// touched only on the manager's loop thread. Binary form: class code and the
// receiver part; s-expression (MxrAdmin).
#pragma once

#include <string>

#include "BaseMsgRcvr.h"
#include "CommAgentEnt.h"
#include "CommPathStatusMsg.h"
#include "HostLiveness.h"
#include "LogicalAddrEnt.h"
#include "RemoteHostEnt.h"
#include "TimerTag.h"

MXR_FORWARD(MxrAdminCreateCommPathSM);
MXR_FORWARD(MxrAdminDeleteCommPathSM);
MXR_FORWARD(MxrAdminCreateCommAgentSM);

class MxrAdmin : public BaseMsgRcvr, public HostLiveness {
    MXR_LOCAL_CLASS(MxrAdmin, BaseMsgRcvr);

public:
    // Registers the receiver as MXRADMIN for its life; no listeners.
    MxrAdmin();
    ~MxrAdmin() override;
    MxrAdmin(const MxrAdmin&) = delete;
    MxrAdmin& operator=(const MxrAdmin&) = delete;

    LogicalAddrEntPtr GetLocalHostLogicalEntPtr() const;
    void SetLocalHostLogicalEntPtr(LogicalAddrEntPtr entry);
    // The registered listeners' template notices, in registration order.
    CommPathStatusMsgLst& GetCommMsgLst();

    // The class-wide lists: the registry and the machines in progress.
    static CommAgentEntLst& GetCommAgentEntLst();
    static RemoteHostEntLst& GetRemoteHostEntLst();
    static MxrAdminCreateCommPathSMLst& GetCcpSMLst();
    static MxrAdminDeleteCommPathSMLst& GetDeleteCPSMLst();
    static MxrAdminCreateCommAgentSMLst& GetCCASMLst();
    // Empties the five lists (tests; the lists otherwise live as long as the
    // process).
    static void ResetClassLists();

    // Finds (IsaMatch) or makes the agent's record, records pid and tid,
    // marks it ALIVE and passes the registration being handled to each
    // waiting create-comm-agent machine that it matches (each gets its own
    // copy). A record that another live process had registered is an agent
    // restarted: its up paths go DEAD and every path is reset, to be sent to
    // the new process after the answer. Returns the record's tag.
    int RegisterCommAgent(long pid, long tid, bStr localAlias, CommAgentEnt::CommAgentType commAgentType,
                          bStr devPathName);
    // Each hands the request being handled to a new machine of its kind;
    // the machine answers. 1.
    int CreateCommPath(const bStr& remoteHostName, const bStr& localAlias, const bStr& remoteAlias,
                       const CommAgentEnt::CommAgentType& commAgentType, const bStr& devPathName, const int& priority,
                       const int& hbInterval, const int& hbMaxMiss, const int& baudRate, const BaseMsgPtr& initMsg);
    int DeleteCommPath(bStr remoteHostName, bStr localAlias, bStr remoteAlias,
                       CommAgentEnt::CommAgentType commAgentType, bStr devPathName);
    int CreateCommAgent(bStr localAlias, CommAgentEnt::CommAgentType commAgentType, bStr devPathName,
                        BaseMsgPtr initMsg);
    // Nothing; 1.
    int DeleteCommAgent(bStr localAlias, CommAgentEnt::CommAgentType commAgentType, bStr devPathName);
    // 1 and the notice appended (duplicates and all); 0 when msg holds no
    // CommPathStatusMsg.
    int RegisterCommPathNotifyStatus(CommPathStatusMsgPtr msg);

    // The agents' reports: each changes the reported path's state and may
    // raise a path event (see the table in MxrAdmin.cpp).
    void ReportCommPathStatus(int commAgentTag, bStr remAlias, bStr deviceName, PipeHead::HeartBeatStatus hbStatus);
    void ReportOutConnComplete(int commAgentTag, bStr remAlias, PipeHead::HeartBeatStatus inHBStatus, bStr devicePath);
    void ReportDisconnected(int commAgentTag, bStr remAlias, bStr devicePath);
    // A path came up or went down: in the manager, the post office first
    // fails the receives waiting for remoteHost when it cannot be reached;
    // then every listener is sent a fresh copy of its notice with these
    // values.
    void ReportCommPathEvent(const bStr& localAlias, const bStr& devPathName, CommAgentEnt::CommAgentType commAgentType,
                             const bStr& remoteHost, const bStr& remoteAlias, PipeHead::HeartBeatStatus status);
    // The end of an agent's connection to the manager (no route leads to its
    // process and thread any more): each agent record of that pid and tid
    // counts as dead (its up paths go DEAD, every path is reset, pid and tid
    // 0), so a later registration is a fresh start of the same record.
    void CommAgentGone(long pid, long tid);

    // 0 when host is this host, or a path to host whose remote alias is
    // alias is up (heartbeat and connection ALIVE); 1 otherwise.
    int IsAnyCommPathToHostUp(bStr host, bStr alias);
    // 1 when IsAnyCommPathToHostUp(host, host) is 0, else 0.
    int IsHostAlive(const bStr& host) override;

    enMsgResult MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) override;

    // How long a machine waits for an agent or its answer, in ms of the
    // timer manager's clock (a test build may shorten it with
    // HV_TEST_TIME_SCALE, platform/TestTimeScale.h).
    static constexpr unsigned WaitMs = 360000;

    // What the administrator and its machines share.
    // The first agent record that matches (CommAgentEnt::IsaMatch), or null.
    static CommAgentEntPtr FindMatchingAgent(CommAgentEnt::CommAgentType type, const bStr& alias, const bStr& dev);
    // The remote host record of that name, or null.
    static RemoteHostEntPtr FindRemoteHost(const bStr& host);
    // A one-shot wait of WaitMs whose time-out goes to machine.
    static TimerTagPtr StartWaitTimer(BaseMsgRcvr& machine);
    // One progress or error line on stderr.
    static void Progress(const std::string& line);
    // Answers the request with retVal (an Rsp made from it goes to its
    // sender) and takes machine out of its pending list.
    template <class Rsp, class Req>
    static void AnswerAndLeave(const BaseMsgPtr& request, int retVal, BasePtrLst& pending, BaseVirtItem* machine) {
        const TypedPtr<Req> req(request);
        Rsp* rsp = new Rsp(*req.GetPtr());
        BaseMsgPtr held(rsp);
        rsp->SetRetVal(retVal);
        held.Send();
        pending.RemoveItem(BasePtr(machine));
    }

private:
    // The agent of tag and its path of that remote alias and device, for the
    // report op; false, with op's error line, when either is unknown
    // (pathTail ends the unknown-path line).
    static bool FindReported(const char* op, int tag, const bStr& remAlias, const bStr& device, const char* pathTail,
                             CommAgentEntPtr& agent, DestHostEntPtr& path);
    // Raises the path's event with status.
    void PathEvent(const CommAgentEntPtr& agent, const DestHostEntPtr& path, PipeHead::HeartBeatStatus status);
    // The agent is gone: DEAD events for its up paths, every path reset.
    void AgentDied(const CommAgentEntPtr& agent);
    // Asks agent's (new) process to serve each of its paths again.
    void ResendPaths(const CommAgentEntPtr& agent);

    LogicalAddrEntPtr LocalHostLogicalEntPtr;
    CommPathStatusMsgLst CommMsgLst;
    // Agents restarted by the registration being handled: their paths are
    // sent to the new process after the answer.
    CommAgentEntLst Restarted;
};
MXR_COMPANION_PTR(MxrAdmin);
