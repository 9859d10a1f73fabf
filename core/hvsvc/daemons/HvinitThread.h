// The HV-init worker. The process monitor and its command pipe run here; for
// now it only passes the pause gate once a second until the service stops.
#pragma once

#include "PauseGate.h"

namespace hvsvc {

class HvinitThread {
public:
    explicit HvinitThread(PauseGate& gate) : gate_(gate) {}
    void Run();

private:
    PauseGate& gate_;
};

}  // namespace hvsvc
