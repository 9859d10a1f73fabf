#include "RelayPipeHead.h"

#include "BaseAddr.h"

RelayPipeHead::RelayPipeHead(const bStr& host, const std::string& systemDir) {
    SetIntroducedHost(host);
    Path_open(bStr(GetMxrPipeName()), systemDir);
}

int RelayPipeHead::IsHungUp() const { return HungUp; }

void RelayPipeHead::HupDetected() {
    HungUp = 1;
    PipeHead::HupDetected();
}
