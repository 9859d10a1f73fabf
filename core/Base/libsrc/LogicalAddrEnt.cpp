#include "LogicalAddrEnt.h"

#include <iostream>
#include <string>

#include "ClassDefine.h"
#include "GrowRowTable.h"
#include "MxrAssert.h"

MXR_LOCAL_CLASS_DEFINE(LogicalAddrEnt);

LogicalAddrEnt** LogicalAddrEnt::logicalAddrTblPtr = nullptr;
int LogicalAddrEnt::logicalAddrTblSz = 0;

namespace {
// Names are small numbers of this program's own; the bound keeps a wild
// value from sizing the table.
constexpr int kMaxLogicalName = 4096;
constexpr int kMaxNameChain = 8;
// Names being resolved on this thread, one inside the other.
constinit thread_local int nameDepth __attribute__((tls_model("initial-exec"))) = 0;
}

LogicalAddrEnt::LogicalAddrEnt() : LogicalName(static_cast<LogicalAddr::enLogicalName>(0)) {
    MXR_METHOD_FRAME("LogicalAddrEnt", 0);
}

LogicalAddrEnt::LogicalAddrEnt(LogicalAddr::enLogicalName name, BaseAddrPtr addr)
    : LogicalName(name), AddrPtr(addr) {
    MXR_METHOD_FRAME("LogicalAddrEnt", 2);
    const int n = static_cast<int>(name);
    MXR_ASSERT(n >= 1 && n <= kMaxLogicalName, "1 <= name <= 4096", "LogicalAddrEnt");
    if (n >= logicalAddrTblSz) {
        const int newSz = n + 5;
        LogicalAddrEnt** tbl = GrowRowTable(logicalAddrTblPtr, logicalAddrTblSz, newSz);
        MXR_ASSERT(tbl != nullptr, "logicalAddrTblPtr != 0", "LogicalAddrEnt");
        logicalAddrTblPtr = tbl;
        logicalAddrTblSz = newSz;
    }
    if (logicalAddrTblPtr[n] != nullptr) {
        const std::string line =
            "Warning: LogicalAddrEnt::LogicalAddrEnt(,) - Overwriting entry for \"" + std::to_string(n) + "\"\n";
        std::cerr << line << std::flush;
    }
    logicalAddrTblPtr[n] = this;
}

LogicalAddrEnt::~LogicalAddrEnt() {
    MXR_METHOD_FRAME("~LogicalAddrEnt", 0);
    const int n = static_cast<int>(LogicalName);
    if (n > 0 && n < logicalAddrTblSz && logicalAddrTblPtr[n] == this) logicalAddrTblPtr[n] = nullptr;
}

LogicalAddr::enLogicalName LogicalAddrEnt::GetLogicalName() const {
    MXR_METHOD_FRAME("GetLogicalName", 0);
    return LogicalName;
}

void LogicalAddrEnt::SetLogicalName(LogicalAddr::enLogicalName name) {
    MXR_METHOD_FRAME("SetLogicalName", 1);
    LogicalName = name;
}

BaseAddrPtr LogicalAddrEnt::GetAddrPtr() const {
    MXR_METHOD_FRAME("GetAddrPtr", 0);
    return AddrPtr;
}

void LogicalAddrEnt::SetAddrPtr(BaseAddrPtr addr) {
    MXR_METHOD_FRAME("SetAddrPtr", 1);
    AddrPtr = addr;
}

BaseMsgRcvr* LogicalAddrEnt::GetMsgRcvrAddr() const {
    MXR_METHOD_FRAME("GetMsgRcvrAddr", 0);
    if (!AddrPtr.Ok()) return nullptr;
    return AddrPtr->GetMsgRcvrAddr();
}

BaseMsgRcvr* LogicalAddrEnt::LookUpName(int name) {
    MXR_FRAME("LogicalAddrEnt", "LookUpName", 1, "LogicalAddrEnt.c");
    if (name < 1 || name >= logicalAddrTblSz || logicalAddrTblPtr[name] == nullptr) return nullptr;
    // A name registered with a logical address that leads back to a name
    // would otherwise resolve for ever.
    if (nameDepth >= kMaxNameChain) return nullptr;
    ++nameDepth;
    BaseMsgRcvr* rcvr = logicalAddrTblPtr[name]->GetMsgRcvrAddr();
    --nameDepth;
    return rcvr;
}

LogicalAddrEnt** LogicalAddrEnt::GetLogicalAddrTblPtr() {
    MXR_FRAME("LogicalAddrEnt", "GetLogicalAddrTblPtr", 0, "LogicalAddrEnt.c");
    return logicalAddrTblPtr;
}

void LogicalAddrEnt::SetLogicalAddrTblPtr(LogicalAddrEnt** tbl) {
    MXR_FRAME("LogicalAddrEnt", "SetLogicalAddrTblPtr", 1, "LogicalAddrEnt.c");
    logicalAddrTblPtr = tbl;
}

int LogicalAddrEnt::GetLogicalAddrTblSz() {
    MXR_FRAME("LogicalAddrEnt", "GetLogicalAddrTblSz", 0, "LogicalAddrEnt.c");
    return logicalAddrTblSz;
}

void LogicalAddrEnt::SetLogicalAddrTblSz(int sz) {
    MXR_FRAME("LogicalAddrEnt", "SetLogicalAddrTblSz", 1, "LogicalAddrEnt.c");
    logicalAddrTblSz = sz;
}
