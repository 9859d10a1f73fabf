#include "RelayWorld.h"

#include <chrono>
#include <cstdio>

#include "BaseAddrEnt.h"
#include "PipeDeRegMsg.h"
#include "PipeRegMsg.h"

namespace {
// The device name of the relay's paths, as the administrators record them.
const char* const kRelayDevice = "relay";
}  // namespace

RelayWorld::RelayWorld(const Side& a, const Side& b) {
    Joints[0].side = a;
    Joints[1].side = b;
    // Pipes are polled with the loop's default wait; the relay's own wait is
    // never longer than this, so that a stop is served promptly.
    SetDfltPollTimer(200);
}

RelayWorld::~RelayWorld() = default;

int RelayWorld::Initialize() {
    for (int i = 0; i < 2; ++i) {
        Joint& j = Joints[i];
        j.pipe = new RelayPipeHead(j.side.host, j.side.systemDir);
        if (j.pipe->Initialize() != 0) return i + 1;
    }
    return 0;
}

int RelayWorld::ManagerKnown(const Joint& j) const {
    return BaseAddrEnt::LookUpRoute(j.side.host, 0, 0) == j.pipe.GetPtr() ? 1 : 0;
}

void RelayWorld::Step() {
    Run();
    if (Announced == 0 && ManagerKnown(Joints[0]) && ManagerKnown(Joints[1])) Join();
    if (Joined == 0 && Announced != 0 && Joints[0].agent->IsPathCreated() && Joints[1].agent->IsPathCreated()) {
        Joined = 1;
        std::printf("hvrelay: joined %s and %s\n", Joints[0].side.host.StrVal(), Joints[1].side.host.StrVal());
        std::fflush(stdout);
    }
}

void RelayWorld::Join() {
    Announced = 1;
    // The relay belongs to neither system: its messages need no manager of
    // its own host before they are dispatched.
    SetDispatchReadyFlg(1);
    for (int i = 0; i < 2; ++i) {
        Joint& j = Joints[i];
        const Joint& other = Joints[1 - i];
        j.pipe->DfltMsgHdlr(BaseMsgPtr(new PipeRegMsg(other.side.host, 0, 0)), BasePktCtrlPtr());
        j.agent = new RelayAgentRcvr(j.side.host, other.side.host, bStr(kRelayDevice));
        j.agent->Register();
    }
}

int RelayWorld::IsJoined() const { return Joined; }

bStr RelayWorld::GoneHost() const {
    for (const Joint& j : Joints)
        if (j.pipe.Ok() && j.pipe->IsHungUp()) return j.side.host;
    return bStr();
}

void RelayWorld::Withdraw(Joint& gone, Joint& left) {
    if (!left.pipe.Ok() || left.pipe->IsHungUp()) return;
    if (left.agent.Ok()) left.agent->ReportDead();
    if (Announced != 0)
        left.pipe->DfltMsgHdlr(BaseMsgPtr(new PipeDeRegMsg(gone.side.host, 0, 0)), BasePktCtrlPtr());
}

void RelayWorld::Leave(int drainMs) {
    if (Withdrawn != 0) return;
    Withdrawn = 1;
    Withdraw(Joints[0], Joints[1]);
    Withdraw(Joints[1], Joints[0]);
    // The reports are queued messages, then packets of the pipes: turn the
    // loop until both are written or the time is up (a stopped loop
    // dispatches nothing, so it runs again meanwhile).
    SetRunFlag(1);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(drainMs);
    auto pending = [this] {
        if (GetMsgList().GetItemCnt() != 0) return true;
        for (const Joint& j : Joints)
            if (j.pipe.Ok() && !j.pipe->IsHungUp() && j.pipe->GetTogoPktLst().GetItemCnt() != 0) return true;
        return false;
    };
    while (pending() && std::chrono::steady_clock::now() < end) Run();
    SetRunFlag(0);
}
