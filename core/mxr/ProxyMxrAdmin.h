// The path administrator of the local communication manager as a process
// without an event loop sees it: create or delete a communication path and
// wait, on the calling thread, for the administrator's answer. Each call
// writes one request over a blocking connection (SynchPipeHead) and reads
// until its answer comes.
//
// Proxies made with the default constructor share the thread's one
// connection with every other proxy of the thread, post office proxies
// included (SharedManagerPipe.h); the int form makes a connection of its own
// and closes it when it goes. A proxy belongs to the thread that made it.
//
// Never built from a peer's bytes (no factory). Neither encoding carries a
// field: the binary form is the class code, the s-expression the class name
// alone.
#pragma once

#include "BaseMsgPtr.h"
#include "ClassPattern.h"
#include "CommAgentEnt.h"
#include "SynchPipeHead.h"
#include "bStr.h"

class ProxyMxrAdmin : public BaseVirtItem {
    MXR_LOCAL_CLASS(ProxyMxrAdmin, BaseVirtItem);
    MXR_FIELDS();

public:
    // Uses the thread's shared connection, making it first when the thread
    // has none: retries every 2 seconds without limit until the manager's
    // pipe accepts and answers.
    ProxyMxrAdmin();
    // Makes a connection of its own the same way (the argument is not used).
    explicit ProxyMxrAdmin(int own);
    // Uses a connection the caller made and initialized, as its own (null:
    // every call answers -1).
    explicit ProxyMxrAdmin(const SynchPipeHeadPtr& connection);
    // Releases the connection: its own is closed; the shared one is closed
    // when this is the thread's last proxy on it. Releasing more shared
    // proxies than were made stops the process ("sharedPipeRefCnt > 0").
    ~ProxyMxrAdmin() override;
    ProxyMxrAdmin(const ProxyMxrAdmin&) = delete;
    ProxyMxrAdmin& operator=(const ProxyMxrAdmin&) = delete;

    SynchPipeHeadPtr GetPipeHeadPtr() const;
    void SetPipeHeadPtr(const SynchPipeHeadPtr& connection);
    int GetUsingSharedPipe() const;
    void SetUsingSharedPipe(int shared);

    // 0 the agent took the path; 1 the administrator gave up waiting (for
    // the agent to register, or for its answer); -1 the connection failed
    // or the answer was of another class.
    int CreateCommPath(const bStr& remoteHostName, const bStr& localAlias, const bStr& remoteAlias,
                       const CommAgentEnt::CommAgentType& commAgentType, const bStr& devPathName, const int& priority,
                       const int& hbInterval, const int& hbMaxMiss, const int& baudRate, const BaseMsgPtr& initMsg);
    // 0 the agent let the path go; 1 unknown host, agent or path, or no
    // answer in time; -1 as above.
    int DeleteCommPath(bStr remoteHostName, bStr localAlias, bStr remoteAlias, CommAgentEnt::CommAgentType commAgentType,
                       bStr devPathName);

private:
    // Writes req and reads past pipe control messages: the answer's retVal
    // when it is of rspClass, -1 for any other answer or a failed pipe.
    int Call(const BaseMsgPtr& req, int rspClass);

    SynchPipeHeadPtr PipeHeadPtr;
    int UsingSharedPipe;
};
MXR_COMPANION_PTR(ProxyMxrAdmin);
