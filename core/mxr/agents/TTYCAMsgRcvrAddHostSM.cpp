#include "TTYCAMsgRcvrAddHostSM.h"

#include <string>

#include "ClassDefine.h"
#include "EnumDefine.h"
#include "GenericTimeoutMsg.h"
#include "SetUpRetryDelay.h"
#include "TTYCAMsgRcvr.h"
#include "TTYPipeHead.h"
#include "TTYTrace.h"
#include "TimerManager.h"
#include "platform/SerialPort.h"
#include "platform/TestTimeScale.h"

MXR_LOCAL_CLASS_DEFINE(TTYCAMsgRcvrAddHostSM);
MXR_ENUM_TABLE(TTYCAMsgRcvrAddHostSM, GetEnStateNameCvtPtrStatic, START);


namespace {

BaseMsgPtr CallSTARTGenericTimeoutMsg(BaseMsgRcvr* r, BaseMsgPtr& m) {
    return static_cast<TTYCAMsgRcvrAddHostSM*>(r)->TransSTARTGenericTimeoutMsg(m);
}

const StateTransTblEnt startTrans[] = {
    {&GenericTimeoutMsg::ClassCode, TTYCAMsgRcvrAddHostSM::START, &CallSTARTGenericTimeoutMsg},
    {nullptr, 0, nullptr},
};
const StateTblEnt stateTbl[] = {
    {TTYCAMsgRcvrAddHostSM::START, startTrans, 0},
    {0, nullptr, 0},
};

}  // namespace

TTYCAMsgRcvrAddHostSM::TTYCAMsgRcvrAddHostSM()
    : TriedOnce(0), InitialDelay(0), Priority(0), HbInterval(0), HbMaxMiss(0), BaudRate(0) {
    MXR_METHOD_FRAME("TTYCAMsgRcvrAddHostSM", 0);
    SetState(START);
}

TTYCAMsgRcvrAddHostSM::TTYCAMsgRcvrAddHostSM(const bStr& remHostName, const bStr& devicePath, int priority,
                                             int hbInterval, int hbMaxMiss, int baudRate, int initialDelay)
    : RemHostName(remHostName),
      TriedOnce(0),
      InitialDelay(initialDelay),
      DevicePath(devicePath),
      Priority(priority),
      HbInterval(hbInterval),
      HbMaxMiss(hbMaxMiss),
      BaudRate(baudRate) {
    MXR_METHOD_FRAME("TTYCAMsgRcvrAddHostSM", 7);
    SetState(START);
}

TTYCAMsgRcvrAddHostSM::~TTYCAMsgRcvrAddHostSM() {
    MXR_METHOD_FRAME("~TTYCAMsgRcvrAddHostSM", 0);
    if (TimerTagPtr_.Ok()) TimerTagPtr_->CancelTimer();
}

void TTYCAMsgRcvrAddHostSM::KickStart() {
    MXR_METHOD_FRAME("KickStart", 0);
    TTYCAMsgRcvr::GetAddHostSMLst().Append(TTYCAMsgRcvrAddHostSMPtr(this));
    if (InitialDelay != 0)
        ArmNextTry();
    else
        BaseMsgPtr(new GenericTimeoutMsg(BaseAddrPtr(GetAddrPtr()))).Send();
}

BaseMsgRcvr::enMsgResult TTYCAMsgRcvrAddHostSM::MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) {
    MXR_METHOD_FRAME("MsgHdlr", 2);
    return BaseStateMach::MsgHdlr(msg, ctrl);
}

BaseEnumCvtPtr TTYCAMsgRcvrAddHostSM::GetEnStateNameCvtPtr() {
    MXR_METHOD_FRAME("GetEnStateNameCvtPtr", 0);
    return GetEnStateNameCvtPtrStatic();
}

const StateTblEnt* TTYCAMsgRcvrAddHostSM::GetStateTbl() {
    MXR_METHOD_FRAME("GetStateTbl", 0);
    return stateTbl;
}

BaseMsgPtr TTYCAMsgRcvrAddHostSM::TransSTARTGenericTimeoutMsg(BaseMsgPtr& msg) {
    MXR_METHOD_FRAME("TransSTARTGenericTimeoutMsg", 1);
    static_cast<void>(msg);
    TimerTagPtr_ = TimerTagPtr();
    if (TriedOnce == 1) ttyagent::TraceErr("Previous SetUpConnect() failed and the timer expired - try again.");
    TriedOnce = 1;
    if (SetUpConnect() != 0) {
        ArmNextTry();
    } else {
        TTYCAMsgRcvr::GetAddHostSMLst().RemoveItem(TTYCAMsgRcvrAddHostSMPtr(this));
    }
    return BaseMsgPtr();
}

void TTYCAMsgRcvrAddHostSM::ArmNextTry() {
    using portlib::platform::ScaledMs;
    LastRetryMs = NextSetUpRetryMs(LastRetryMs, ScaledMs(FirstRetryMs), ScaledMs(RetryMs));
    // The tag is kept so that a deleted path's machine stops its timer.
    TimerTagPtr_ =
        TimerManager::SetOneShotTimer(BaseMsgPtr(new GenericTimeoutMsg(BaseAddrPtr(GetAddrPtr()))), LastRetryMs);
}

int TTYCAMsgRcvrAddHostSM::SetUpConnect() {
    MXR_METHOD_FRAME("SetUpConnect", 0);
    int fd = -1;
    const int rc = portlib::platform::SerialOpen(static_cast<const char*>(DevicePath), BaudRate, &fd);
    if (rc != 0) {
        ttyagent::ReportErr("TTYCAMsgRcvrAddHostSM::SetUpConnect() CreateFile() " +
                            std::string(static_cast<const char*>(DevicePath)) + " baud " + std::to_string(BaudRate) +
                            " error " + std::to_string(rc));
        return -1;
    }
    ttyagent::TraceErr("TTYCAMsgRcvrAddHostSM::SetUpConnect(): open successful fd=" + std::to_string(fd));
    TTYPipeHeadPtr head(new TTYPipeHead(fd, DevicePath, Priority, HbInterval, HbMaxMiss));
    head->SetRemoteAlias(RemHostName);
    head->SetBaudRate(BaudRate);
    head->Initialize();
    return 0;
}

bStr TTYCAMsgRcvrAddHostSM::GetRemHostName() const {
    MXR_METHOD_FRAME("GetRemHostName", 0);
    return RemHostName;
}

void TTYCAMsgRcvrAddHostSM::SetRemHostName(const bStr& name) {
    MXR_METHOD_FRAME("SetRemHostName", 1);
    RemHostName = name;
}

int TTYCAMsgRcvrAddHostSM::GetTriedOnce() const {
    MXR_METHOD_FRAME("GetTriedOnce", 0);
    return TriedOnce;
}

void TTYCAMsgRcvrAddHostSM::SetTriedOnce(int tried) {
    MXR_METHOD_FRAME("SetTriedOnce", 1);
    TriedOnce = tried;
}

int TTYCAMsgRcvrAddHostSM::GetInitialDelay() const {
    MXR_METHOD_FRAME("GetInitialDelay", 0);
    return InitialDelay;
}

void TTYCAMsgRcvrAddHostSM::SetInitialDelay(int delay) {
    MXR_METHOD_FRAME("SetInitialDelay", 1);
    InitialDelay = delay;
}

bStr TTYCAMsgRcvrAddHostSM::GetDevicePath() const {
    MXR_METHOD_FRAME("GetDevicePath", 0);
    return DevicePath;
}

void TTYCAMsgRcvrAddHostSM::SetDevicePath(const bStr& path) {
    MXR_METHOD_FRAME("SetDevicePath", 1);
    DevicePath = path;
}

int TTYCAMsgRcvrAddHostSM::GetPriority() const {
    MXR_METHOD_FRAME("GetPriority", 0);
    return Priority;
}

void TTYCAMsgRcvrAddHostSM::SetPriority(int priority) {
    MXR_METHOD_FRAME("SetPriority", 1);
    Priority = priority;
}

int TTYCAMsgRcvrAddHostSM::GetHbInterval() const {
    MXR_METHOD_FRAME("GetHbInterval", 0);
    return HbInterval;
}

void TTYCAMsgRcvrAddHostSM::SetHbInterval(int secs) {
    MXR_METHOD_FRAME("SetHbInterval", 1);
    HbInterval = secs;
}

int TTYCAMsgRcvrAddHostSM::GetHbMaxMiss() const {
    MXR_METHOD_FRAME("GetHbMaxMiss", 0);
    return HbMaxMiss;
}

void TTYCAMsgRcvrAddHostSM::SetHbMaxMiss(int misses) {
    MXR_METHOD_FRAME("SetHbMaxMiss", 1);
    HbMaxMiss = misses;
}

int TTYCAMsgRcvrAddHostSM::GetBaudRate() const {
    MXR_METHOD_FRAME("GetBaudRate", 0);
    return BaudRate;
}

void TTYCAMsgRcvrAddHostSM::SetBaudRate(int baud) {
    MXR_METHOD_FRAME("SetBaudRate", 1);
    BaudRate = baud;
}

TimerTagPtr TTYCAMsgRcvrAddHostSM::GetTimerTagPtr() const {
    MXR_METHOD_FRAME("GetTimerTagPtr", 0);
    return TimerTagPtr_;
}

void TTYCAMsgRcvrAddHostSM::SetTimerTagPtr(const TimerTagPtr& tag) {
    MXR_METHOD_FRAME("SetTimerTagPtr", 1);
    TimerTagPtr_ = tag;
}

unsigned TTYCAMsgRcvrAddHostSM::GetLastRetryMs() const {
    MXR_METHOD_FRAME("GetLastRetryMs", 0);
    return LastRetryMs;
}
