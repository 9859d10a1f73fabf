// The manager's link to the configuration database. At start it registers
// with the administrator for path notices and asks it to create every path
// the local database holds; afterwards it turns every notice into the
// database's comm-up (ALIVE) or comm-down (any other status).
//
// The receiver lives on the manager's loop thread; every database call runs
// on the link's own database thread (MxrCfgstoreWorker), in the order the
// notices came, so the loop never takes the database lock and never waits
// for an event command. The stored paths come back to the loop as plain
// values through the world's inbox; the create requests are sent from the
// loop, after the registration.
#pragma once

#include "BaseMsgRcvr.h"
#include "ClassPattern.h"
#include "CommPathStatusMsg.h"

#include <functional>
#include <memory>

class BaseWorld;
class MxrCfgstoreWorker;
class WorldInbox;

class MxrCfgstoreObj : public BaseMsgRcvr {
    MXR_LOCAL_CLASS(MxrCfgstoreObj, BaseMsgRcvr);
    MXR_FIELDS();

public:
    // Starts the database thread.
    MxrCfgstoreObj();
    // Stops the database thread (see Shutdown).
    ~MxrCfgstoreObj() override;
    MxrCfgstoreObj(const MxrCfgstoreObj&) = delete;
    MxrCfgstoreObj& operator=(const MxrCfgstoreObj&) = delete;

    int GetNumOfExpectedRspMsgs() const;
    void SetNumOfExpectedRspMsgs(int n);
    int GetNumOfRcvdRspMsgs() const;
    void SetNumOfRcvdRspMsgs(int n);

    // The loop's thread, once the world is initialized: RequestCommEvent,
    // then AddExistingCommPaths. 0.
    int Initialize();
    // Registers for path notices (the template addressed to this receiver). 0.
    int RequestCommEvent();
    // Has the database thread read the stored paths; their create requests
    // follow when the values come back. 0.
    int AddExistingCommPaths();
    // Hands one notice to the database thread.
    void CommEventStatus(const CommPathStatusMsgPtr& notice);
    // Has the database thread run the manager-available event (force as
    // network::mxr_avail takes it).
    void RequestAvail(int force);
    // Runs job on the database thread after everything queued before it.
    void RunOnDatabaseThread(std::function<void()> job);
    // Database calls finished so far.
    long GetDatabaseCallsDone() const;
    // The loop's thread, after its last turn: stops the database thread (the
    // notices queued still run) and keeps the world turning and dispatching
    // (its calls may wait for the manager) until the thread has ended; past
    // maxMs it says so and goes on waiting. In the manager's world the post
    // office's receives stop waiting (PostOffice::EndWaits).
    void Shutdown(BaseWorld& world, int maxMs);

    enMsgResult MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) override;
    enMsgResult DfltMsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) override;

private:
    int NumOfExpectedRspMsgs = 0;
    int NumOfRcvdRspMsgs = 0;
    std::shared_ptr<WorldInbox> Inbox;
    std::unique_ptr<MxrCfgstoreWorker> Worker;
};
MXR_COMPANION_PTR(MxrCfgstoreObj);
