// Stand-ins for the manager's and a client's world until those worlds exist:
// the manager's listens on a pipe name with the control-pipe listener, a
// client's connects a pipe endpoint to that name, exactly as the real worlds
// will. Construct, Initialize (0: ready), run turns, CleanUp.
#pragma once

#include <chrono>
#include <thread>

#include "AttachedPollAdptr.h"
#include "BaseWorld.h"
#include "PipeHead.h"

class ListenerTestWorld : public BaseWorld {
public:
    explicit ListenerTestWorld(const bStr& pipeName) : name(pipeName) {}
    ~ListenerTestWorld() override { CleanUp(); }

    // Listens and registers the listening adapter; the platform's error when
    // the pipe cannot be made.
    int Initialize() override {
        listener = AttachedPollAdptr::Listen(name, &result);
        if (!listener.Ok()) return result != 0 ? result : -1;
        listener->Register();
        return 0;
    }
    // Stops listening (the name is free again).
    void CleanUp() override {
        if (!listener.Ok()) return;
        listener->DeRegister();
        listener = AttachedPollAdptrPtr();
    }

    bStr name;
    AttachedPollAdptrPtr listener;
    int result = 0;
};

class ClientTestWorld : public BaseWorld {
public:
    explicit ClientTestWorld(const bStr& pipeName, int tries = 250) : name(pipeName), maxTries(tries) {}

    // Connects (retrying every 20 ms, at most maxTries times, where the real
    // client world waits 2 s without limit); 0 once the endpoint is polled.
    int Initialize() override {
        for (int i = 0; i < maxTries; ++i) {
            head = new PipeHead(name);
            if (head->Initialize() == 0) return 0;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }
    // The manager's route exists once its PipeInitMsg has arrived.
    bool Connected() const { return head.Ok() && head->GetAddrEntLst().GetItemCnt() > 0; }

    bStr name;
    int maxTries;
    PipeHeadPtr head;
};
