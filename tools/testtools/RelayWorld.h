// The relay's world: one event loop with a connection to the manager of each
// of two systems on this machine. Once both managers have introduced
// themselves it announces each system to the other (a route to the other
// host's manager, pid 0 and tid 0, through the relay) and registers an agent
// with each administrator, which asks for and serves the path between them.
// From then on a message from one system for the other host goes out on the
// other manager's connection with its addresses unchanged: the route table
// of this process does the forwarding.
//
// Construct, Initialize (0: connected to both), Run while GetRunFlag is set
// and no manager has gone, then Leave.
#pragma once

#include <string>

#include "BaseWorld.h"
#include "RelayAgentRcvr.h"
#include "RelayPipeHead.h"

class RelayWorld : public BaseWorld {
public:
    struct Side {
        bStr host;
        std::string systemDir;
    };
    RelayWorld(const Side& a, const Side& b);
    ~RelayWorld() override;

    // Connects to both managers: 0, else the index (1, 2) of the side that
    // could not be reached.
    int Initialize() override;
    // One turn of the loop, then what the state asks: the join once both
    // managers are known, the DEAD report once one has gone.
    void Step();
    // 1 once both paths were created (the join is complete).
    int IsJoined() const;
    // The host whose manager went, or empty.
    bStr GoneHost() const;
    // Reports the path DEAD to each side still connected, withdraws the other
    // host's route there and lets the reports reach the managers (at most
    // drainMs): on the stop command and after a manager went.
    void Leave(int drainMs);

private:
    struct Joint {
        Side side;
        RelayPipeHeadPtr pipe;
        RelayAgentRcvrPtr agent;
    };
    int ManagerKnown(const Joint& j) const;
    void Join();
    // The other side learns that this one's host is no longer reachable.
    void Withdraw(Joint& gone, Joint& left);

    Joint Joints[2];
    int Joined = 0;
    int Announced = 0;
    int Withdrawn = 0;
};
