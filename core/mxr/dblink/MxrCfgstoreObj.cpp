#include "MxrCfgstoreObj.h"

#include "AutoQdbLock.h"
#include "BaseErrMsg.h"
#include "BaseWorld.h"
#include "DbIter.h"
#include "DbMgr.h"
#include "LocalForms.h"
#include "LogicalAddr.h"
#include "MxrAdminCreateCommPathReqMsg.h"
#include "MxrAdminRegisterCommPathNotifyStatusReqMsg.h"
#include "MxrCfgstorePathsMsg.h"
#include "MxrCfgstoreWorker.h"
#include "MxrWorld.h"
#include "QdbLock.h"
#include "ShmMgr.h"
#include "WorldInbox.h"
#include "network.h"

#include <chrono>
#include <iostream>
#include <string>

MXR_LOCAL_CLASS_DEFINE_CUSTOM(MxrCfgstoreObj);
MXR_LOCAL_FORMS(MxrCfgstoreObj, BaseMsgRcvr);

namespace {

BaseAddrPtr Administrator() { return BaseAddrPtr(new LogicalAddr(BaseAddr::GetCurrentHost(), LogicalAddr::MXRADMIN)); }

// One line, one write: lines of the loop and the database thread never
// interleave.
void Report(const std::string& line) { std::cerr << line + "\n" << std::flush; }

// The database thread: the stored paths of the local database as values.
// Types other than TLI, TTY and SCSI are not created.
void ReadStoredPaths(MxrCfgstorePathsMsg& out) {
    if (pShmPtr == nullptr) {
        Report("MxrCfgstoreObj: this process has no database: no stored paths are created");
        return;
    }
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1, 1);
    if (db == nullptr) {
        Report("MxrCfgstoreObj: no local database: no stored paths are created");
        return;
    }
    DbIter it;
    it.iterInit(NETWORK, db);
    for (auto* n = static_cast<network*>(it.current()); n != nullptr; n = static_cast<network*>(it.next())) {
        const nettype t = n->get_nettype();
        if (t != 'l' && t != 'y' && t != 's') continue;
        MxrStoredPath p;
        p.system = n->sysName();
        p.device = n->mydevice() ? n->mydevice() : "";
        p.agentType = network::agentType(t);
        p.priority = n->get_priority();
        p.hbInterval = n->get_hbInterval();
        p.hbMaxMiss = n->get_hbMaxMiss();
        p.baud = n->get_ttybaud();
        out.paths.push_back(std::move(p));
    }
}

// A notice's text as the database takes it: null for none.
const char* TextOrNull(const std::string& s) { return s.empty() ? nullptr : s.c_str(); }

}  // namespace

MxrCfgstoreObj::MxrCfgstoreObj() : Worker(new MxrCfgstoreWorker()) { MXR_METHOD_FRAME("MxrCfgstoreObj", 0); }

MxrCfgstoreObj::~MxrCfgstoreObj() { MXR_METHOD_FRAME("~MxrCfgstoreObj", 0); }

int MxrCfgstoreObj::GetNumOfExpectedRspMsgs() const { return NumOfExpectedRspMsgs; }
void MxrCfgstoreObj::SetNumOfExpectedRspMsgs(int n) { NumOfExpectedRspMsgs = n; }
int MxrCfgstoreObj::GetNumOfRcvdRspMsgs() const { return NumOfRcvdRspMsgs; }
void MxrCfgstoreObj::SetNumOfRcvdRspMsgs(int n) { NumOfRcvdRspMsgs = n; }

int MxrCfgstoreObj::Initialize() {
    MXR_METHOD_FRAME("Initialize", 0);
    RequestCommEvent();
    AddExistingCommPaths();
    return 0;
}

int MxrCfgstoreObj::RequestCommEvent() {
    MXR_METHOD_FRAME("RequestCommEvent", 0);
    const CommPathStatusMsgPtr notice(new CommPathStatusMsg(GetAddrPtr()));
    BaseMsgPtr req(new MxrAdminRegisterCommPathNotifyStatusReqMsg(Administrator(), notice));
    req->SetFrmAddr(GetAddrPtr());
    req.Send();
    return 0;
}

int MxrCfgstoreObj::AddExistingCommPaths() {
    MXR_METHOD_FRAME("AddExistingCommPaths", 0);
    if (BaseWorld* world = BaseWorld::GetWorldPtr(); world != nullptr && !Inbox) Inbox = world->OpenInbox();
    if (!Inbox) {
        Report("MxrCfgstoreObj: no world to hand the stored paths to");
        return 0;
    }
    const std::shared_ptr<WorldInbox> inbox = Inbox;
    const BaseAddrPtr self(GetAddrPtr());
    Worker->Post([inbox, self] {
        MxrCfgstorePathsMsg* msg = new MxrCfgstorePathsMsg(self);
        BaseMsgPtr held(msg);
        ReadStoredPaths(*msg);
        inbox->Post(held);
    });
    return 0;
}

void MxrCfgstoreObj::CommEventStatus(const CommPathStatusMsgPtr& notice) {
    MXR_METHOD_FRAME("CommEventStatus", 1);
    const std::string host = notice->GetRemoteHost().StrVal();
    const std::string device = notice->GetDevPathName().StrVal();
    if (notice->GetStatus() == PipeHead::ALIVE)
        Worker->Post([host, device] { network::mxr_comm_up(TextOrNull(host), TextOrNull(device)); });
    else
        Worker->Post([host, device] { network::mxr_comm_down(TextOrNull(host), TextOrNull(device)); });
}

void MxrCfgstoreObj::RequestAvail(int force) {
    Worker->Post([force] { network::mxr_avail(force); });
}

void MxrCfgstoreObj::RunOnDatabaseThread(std::function<void()> job) { Worker->Post(std::move(job)); }

long MxrCfgstoreObj::GetDatabaseCallsDone() const { return Worker->JobsDone(); }

void MxrCfgstoreObj::Shutdown(BaseWorld& world, int maxMs) {
    MXR_METHOD_FRAME("Shutdown", 2);
    // Loops that try again end after their current try; the notices queued
    // still reach the database.
    cfgstore::RequestStop();
    Worker->Stop();
    // A receive of the thread's would wait for a letter nobody sends any
    // more: it ends as when the manager goes, and none waits from now on.
    if (auto* manager = dynamic_cast<MxrWorld*>(&world)) manager->GetMxrPostOffice().EndWaits();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
    // Short turns: the thread's end wakes no descriptor of the loop. A call
    // that waits for the manager is served until the thread has ended; it
    // is never left behind.
    const int saved = world.GetDfltPollTimer();
    const int savedRun = world.GetRunFlag();
    world.SetDfltPollTimer(10);
    bool reported = false;
    while (!Worker->Ended()) {
        // The stop is taken: the world dispatches again (the answers to the
        // thread's calls among them) until the thread has ended, whatever
        // stop comes meanwhile.
        world.SetRunFlag(1);
        world.Run();
        if (!reported && std::chrono::steady_clock::now() >= deadline) {
            Report("MxrCfgstoreObj: a database call is still running; waiting for it to end");
            reported = true;
        }
    }
    world.SetDfltPollTimer(saved);
    world.SetRunFlag(savedRun);
}

BaseMsgRcvr::enMsgResult MxrCfgstoreObj::MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) {
    MXR_METHOD_FRAME("MsgHdlr", 2);
    return BaseMsgRcvr::MsgHdlr(msg, ctrl);
}

BaseMsgRcvr::enMsgResult MxrCfgstoreObj::DfltMsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) {
    MXR_METHOD_FRAME("DfltMsgHdlr", 2);
    static_cast<void>(ctrl);
    if (const MxrAdminCreateCommPathRspMsgPtr rsp(msg); rsp.Ok()) {
        Report("MxrCfgstoreObj: Got MxrAdminCreateCommPathRspMsg, retVal=" + std::to_string(rsp->GetRetVal()));
        ++NumOfRcvdRspMsgs;
        return PROCESSED;
    }
    if (msg->IsOfType(BaseErrMsg::ClassCode)) {
        Report("MxrCfgstoreObj: Create CommPath Timed out");
        ++NumOfRcvdRspMsgs;
        return PROCESSED;
    }
    if (const CommPathStatusMsgPtr notice(msg); notice.Ok()) {
        CommEventStatus(notice);
        return PROCESSED;
    }
    if (msg->IsOfType(MxrAdminRegisterCommPathNotifyStatusRspMsg::ClassCode)) return PROCESSED;
    if (const MxrCfgstorePathsMsgPtr stored(msg); stored.Ok()) {
        for (const MxrStoredPath& p : stored->paths) {
            BaseMsgPtr req(new MxrAdminCreateCommPathReqMsg(
                Administrator(), bStr(p.system.c_str()), BaseAddr::GetCurrentHost(), bStr(p.system.c_str()),
                static_cast<CommAgentEnt::CommAgentType>(p.agentType), bStr(p.device.c_str()), p.priority,
                p.hbInterval, p.hbMaxMiss, p.baud, BaseMsgPtr()));
            req->SetFrmAddr(GetAddrPtr());
            ++NumOfExpectedRspMsgs;
            req.Send();
        }
        return PROCESSED;
    }
    return NOTPROCESSED;
}
