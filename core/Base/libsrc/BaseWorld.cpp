#include "BaseWorld.h"

#include "FuncInfo.h"

#define WORLD_FRAME(func, parms) MXR_FRAME("BaseWorld", func, parms, "BaseWorld.c")

BaseWorld* BaseWorld::worldPtr = nullptr;

BaseWorld::BaseWorld() : RunFlag(1), DfltPollTimer(10000), MsgsPerSegment(20), MessagePrinting(0) {
    WORLD_FRAME("BaseWorld", 0);
    worldPtr = this;
}

BaseWorld::~BaseWorld() {
    WORLD_FRAME("~BaseWorld", 0);
    if (worldPtr == this) worldPtr = nullptr;
}

int BaseWorld::Initialize() {
    WORLD_FRAME("Initialize", 0);
    return 0;
}

void BaseWorld::CleanUp() { WORLD_FRAME("CleanUp", 0); }

int BaseWorld::GetRunFlag() const {
    WORLD_FRAME("GetRunFlag", 0);
    return RunFlag;
}

void BaseWorld::SetRunFlag(int flag) {
    WORLD_FRAME("SetRunFlag", 1);
    RunFlag = flag;
}

int BaseWorld::GetDfltPollTimer() const {
    WORLD_FRAME("GetDfltPollTimer", 0);
    return DfltPollTimer;
}

void BaseWorld::SetDfltPollTimer(int msecs) {
    WORLD_FRAME("SetDfltPollTimer", 1);
    DfltPollTimer = msecs;
}

int BaseWorld::GetMsgsPerSegment() const {
    WORLD_FRAME("GetMsgsPerSegment", 0);
    return MsgsPerSegment;
}

void BaseWorld::SetMsgsPerSegment(int count) {
    WORLD_FRAME("SetMsgsPerSegment", 1);
    MsgsPerSegment = count;
}

int BaseWorld::GetMessagePrinting() const {
    WORLD_FRAME("GetMessagePrinting", 0);
    return MessagePrinting;
}

void BaseWorld::SetMessagePrinting(int flag) {
    WORLD_FRAME("SetMessagePrinting", 1);
    MessagePrinting = flag;
}

BaseMsgLst& BaseWorld::GetMsgList() {
    WORLD_FRAME("GetMsgList", 0);
    return MsgList;
}

BaseMsgRcvrPtr BaseWorld::GetMsgLoggerPtr() const {
    WORLD_FRAME("GetMsgLoggerPtr", 0);
    return MsgLoggerPtr;
}

void BaseWorld::SetMsgLoggerPtr(BaseMsgRcvrPtr logger) {
    WORLD_FRAME("SetMsgLoggerPtr", 1);
    MsgLoggerPtr = logger;
}

BaseWorld* BaseWorld::GetWorldPtr() {
    WORLD_FRAME("GetWorldPtr", 0);
    return worldPtr;
}

void BaseWorld::SetWorldPtr(BaseWorld* world) {
    WORLD_FRAME("SetWorldPtr", 1);
    worldPtr = world;
}

