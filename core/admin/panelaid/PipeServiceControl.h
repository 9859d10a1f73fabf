// ServiceControl through the service's control pipe: an interrogation with a
// 2 s reply time-out, and the daemon looked for in the process list by its
// program name.
#pragma once

#include "ServiceControl.h"

namespace panelaid {

class PipeServiceControl : public ServiceControl {
public:
    static constexpr int kReplyMs = 2000;

    int QueryState(std::uint32_t* state) override;
    bool DaemonRunning() override;
};

}  // namespace panelaid
