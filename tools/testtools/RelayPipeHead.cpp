#include "RelayPipeHead.h"

#include "BaseAddr.h"
#include "ClassDefine.h"
#include "LocalForms.h"

MXR_LOCAL_CLASS_DEFINE_CUSTOM(RelayPipeHead);
MXR_LOCAL_FORMS(RelayPipeHead, BaseMsgRcvr);

RelayPipeHead::RelayPipeHead() = default;

RelayPipeHead::RelayPipeHead(const bStr& host, const std::string& systemDir) {
    SetIntroducedHost(host);
    Path_open(bStr(GetMxrPipeName()), systemDir);
}

int RelayPipeHead::IsHungUp() const { return HungUp; }

void RelayPipeHead::HupDetected() {
    HungUp = 1;
    PipeHead::HupDetected();
}
