// The relay's connection to one system's manager: a pipe endpoint that
// introduces itself as a process of that system and notes its hang-up, so
// that the relay can tell the other system. A tool's own endpoint: its
// class code is local to the tools and never travels.
#pragma once

#include "PipeHead.h"

#include <string>

class RelayPipeHead : public PipeHead {
    MXR_LOCAL_CLASS(RelayPipeHead, PipeHead);
    MXR_FIELDS();

public:
    // No pipe (the factory's instance).
    RelayPipeHead();
    // Connects to the manager pipe of the system whose directory is
    // systemDir, as a process of host; GetFileDscrpt() is -1 on failure.
    RelayPipeHead(const bStr& host, const std::string& systemDir);

    // 1 once the manager's end has hung up.
    int IsHungUp() const;

    void HupDetected() override;

private:
    int HungUp = 0;
};
MXR_COMPANION_PTR(RelayPipeHead);
