#include "LogicalAddr.h"

#include "BaseAddrEnt.h"
#include "ClassDefine.h"
#include "LogicalAddrEnt.h"
#include "SeqEnumCvt.h"

MXR_CLASS_DEFINE(LogicalAddr);

namespace {
const EnumCvtEnt enLogicalNameTbl[] = {
    {LogicalAddr::MXRROUTEERRORHDLR, "MXRROUTEERRORHDLR"},
    {LogicalAddr::MXRERRORHDLR, "MXRERRORHDLR"},
    {LogicalAddr::MXRLOGGING, "MXRLOGGING"},
    {LogicalAddr::MXRDEBUG, "MXRDEBUG"},
    {LogicalAddr::MXRPOSTOFFICE, "MXRPOSTOFFICE"},
    {LogicalAddr::MXRLOCALHOST, "MXRLOCALHOST"},
    {LogicalAddr::MXRADMIN, "MXRADMIN"},
    {LogicalAddr::COMMAGENTMSGRCVR, "COMMAGENTMSGRCVR"},
};
const int enLogicalNameTblSz = static_cast<int>(sizeof enLogicalNameTbl / sizeof enLogicalNameTbl[0]);
}  // namespace

BaseEnumCvtPtr LogicalAddr::GetEnLogicalNameCvtPtr() {
    MXR_FRAME("LogicalAddr", "GetEnLogicalNameCvtPtr", 0, "LogicalAddr.c");
    return SeqEnumCvt::Create(enLogicalNameTbl, enLogicalNameTblSz);
}

LogicalAddr::LogicalAddr() : BaseAddr(bStr(), 0, 0), logicalName(static_cast<enLogicalName>(0)) {
    MXR_METHOD_FRAME("LogicalAddr", 0);
}

LogicalAddr::LogicalAddr(enLogicalName name) : BaseAddr(bStr(), 0, 0), logicalName(name) {
    MXR_METHOD_FRAME("LogicalAddr", 1);
}

LogicalAddr::LogicalAddr(bStr host, enLogicalName name) : BaseAddr(host, 0, 0), logicalName(name) {
    MXR_METHOD_FRAME("LogicalAddr", 2);
}

LogicalAddr::LogicalAddr(bStr host, long pid, long tid, enLogicalName name)
    : BaseAddr(host, pid, tid), logicalName(name) {
    MXR_METHOD_FRAME("LogicalAddr", 4);
}

LogicalAddr::~LogicalAddr() { MXR_METHOD_FRAME("~LogicalAddr", 0); }

LogicalAddr::enLogicalName LogicalAddr::GetLogicalName() const {
    MXR_METHOD_FRAME("GetLogicalName", 0);
    return logicalName;
}

void LogicalAddr::SetLogicalName(enLogicalName name) {
    MXR_METHOD_FRAME("SetLogicalName", 1);
    logicalName = name;
}

BaseMsgRcvr* LogicalAddr::GetMsgRcvrAddr() const {
    MXR_METHOD_FRAME("GetMsgRcvrAddr", 0);
    if (GetHost().StrLen() != 0) {
        if (IsCorrectProcess()) return LogicalAddrEnt::LookUpName(logicalName);
        return BaseAddr::GetMsgRcvrAddr();
    }
    if (BaseMsgRcvr* rcvr = LogicalAddrEnt::LookUpName(logicalName)) return rcvr;
    if (GetMxrWorldFlg() != 0) return nullptr;
    // The pipe to this host's manager, which serves the name.
    return BaseAddrEnt::LookUpRoute(GetCurrentHostRef(), 0, 0);
}
