// The class codes of the system, in one table. A code is the type tag of the
// binary form and part of the wire format between processes and systems, so
// a code is never reused or moved. Each row: class name, code, wire kind
// (WireKind.h): Message may stand at the top of a pipe message, Value travels
// inside messages, Local is never built from a peer's bytes, Abstract has a
// code for type tests only.
//
// A class's definition takes its code and kind from here (MXR_CLASS_DEFINE(X)
// reads MxrClassTable::X). Each library has its block; a library added later
// (the agents) adds its own block below and to MxrAllClassCodes. The
// registry test loads every library of the system and checks that what
// registered matches this table. Codes 0 and 113-132 are unused; 49-80, 107
// and 111 belong to path administration and enter the msgframe block with
// their classes (81 and 133: the database link's library); 134-140 to the socket agent, 141-148 to the serial agent.
#pragma once

#include <cstddef>
#include <string_view>

#include "WireKind.h"

// msgframe: the framework and the post office (core/Base/libsrc, core/mxr).
#define MXR_MSGFRAME_CLASS_CODES(ROW)                          \
    ROW(AttachedPollAdptr, 1, Local)                           \
    ROW(BaseAddr, 2, Value)                                    \
    ROW(BaseAddrEnt, 3, Local)                                 \
    ROW(BaseEnumCvt, 4, Abstract)                              \
    ROW(BaseErrMsg, 5, Message)                                \
    ROW(BaseMsg, 6, Message)                                   \
    ROW(BaseMsgRcvr, 7, Local)                                 \
    ROW(BasePipeMsg, 8, Message)                               \
    ROW(BasePktBufr, 9, Abstract)                              \
    ROW(BasePktCtrl, 10, Abstract)                             \
    ROW(BasePollAdptr, 11, Local)                              \
    ROW(BaseReqMsg, 12, Message)                               \
    ROW(BaseRspMsg, 13, Message)                               \
    ROW(BaseStateMach, 14, Abstract)                           \
    ROW(BaseTimerEnt, 15, Abstract)                            \
    ROW(BaseVirtItem, 16, Value)                               \
    ROW(DetailedMsgLogger, 17, Local)                          \
    ROW(DynamicAddr, 18, Value)                                \
    ROW(DynamicAddrEnt, 19, Local)                             \
    ROW(GenericTimeoutMsg, 20, Local)                          \
    ROW(IoAtom, 21, Abstract)                                  \
    ROW(IoCons, 22, Value)                                     \
    ROW(IoIdent, 23, Value)                                    \
    ROW(IoInt, 24, Value)                                      \
    ROW(IoItem, 25, Abstract)                                  \
    ROW(IoLocal, 26, Value)                                    \
    ROW(IoNull, 27, Value)                                     \
    ROW(IoString, 28, Value)                                   \
    ROW(LocalPktCtrl, 29, Local)                               \
    ROW(LogicalAddr, 30, Value)                                \
    ROW(LogicalAddrEnt, 31, Local)                             \
    ROW(MultiShotTimerEnt, 32, Local)                          \
    ROW(PipeHead, 33, Local)                                   \
    ROW(PipeHeadSendHeartBeatReqMsg, 34, Local)                \
    ROW(PipeHeadSendHeartBeatRspMsg, 35, Local)                \
    ROW(PipeHeadHeartBeatTimeoutReqMsg, 36, Local)             \
    ROW(PipeHeadHeartBeatTimeoutRspMsg, 37, Local)             \
    ROW(PipeHeartBeatMsg, 38, Message)                         \
    ROW(PipeInitMsg, 39, Message)                              \
    ROW(PipePktBufr, 40, Local)                                \
    ROW(PipePktCtrl, 41, Local)                                \
    ROW(PipePollAdptr, 42, Local)                              \
    ROW(PipeRegMsg, 43, Message)                               \
    ROW(PipeDeRegMsg, 44, Message)                             \
    ROW(SeqEnumCvt, 45, Local)                                 \
    ROW(SnglShotTimerEnt, 46, Local)                           \
    ROW(TimerFiredMsg, 47, Local)                              \
    ROW(TimerTag, 48, Local)                                   \
    ROW(CommAgentEnt, 49, Local)                               \
    ROW(CommAgentMsgRcvr, 50, Abstract)                        \
    ROW(CommAgentMsgRcvrAddHostReqMsg, 51, Message)            \
    ROW(CommAgentMsgRcvrAddHostRspMsg, 52, Message)            \
    ROW(CommAgentMsgRcvrDeleteHostReqMsg, 53, Message)         \
    ROW(CommAgentMsgRcvrDeleteHostRspMsg, 54, Message)         \
    ROW(CommPathStatusMsg, 55, Message)                        \
    ROW(DestHostEnt, 56, Value)                                \
    ROW(MxrAdmin, 57, Local)                                   \
    ROW(MxrAdminRegisterCommAgentReqMsg, 58, Message)          \
    ROW(MxrAdminRegisterCommAgentRspMsg, 59, Message)          \
    ROW(MxrAdminCreateCommPathReqMsg, 60, Message)             \
    ROW(MxrAdminCreateCommPathRspMsg, 61, Message)             \
    ROW(MxrAdminDeleteCommPathReqMsg, 62, Message)             \
    ROW(MxrAdminDeleteCommPathRspMsg, 63, Message)             \
    ROW(MxrAdminCreateCommAgentReqMsg, 64, Message)            \
    ROW(MxrAdminCreateCommAgentRspMsg, 65, Message)            \
    ROW(MxrAdminDeleteCommAgentReqMsg, 66, Message)            \
    ROW(MxrAdminDeleteCommAgentRspMsg, 67, Message)            \
    ROW(MxrAdminReportCommPathStatusReqMsg, 68, Message)       \
    ROW(MxrAdminReportCommPathStatusRspMsg, 69, Message)       \
    ROW(MxrAdminReportOutConnCompleteReqMsg, 70, Message)      \
    ROW(MxrAdminReportOutConnCompleteRspMsg, 71, Message)      \
    ROW(MxrAdminReportDisconnectedReqMsg, 72, Message)         \
    ROW(MxrAdminReportDisconnectedRspMsg, 73, Message)         \
    ROW(MxrAdminIsAnyCommPathToHostUpReqMsg, 74, Message)      \
    ROW(MxrAdminIsAnyCommPathToHostUpRspMsg, 75, Message)      \
    ROW(MxrAdminRegisterCommPathNotifyStatusReqMsg, 76, Message) \
    ROW(MxrAdminRegisterCommPathNotifyStatusRspMsg, 77, Message) \
    ROW(MxrAdminCreateCommAgentSM, 78, Local)                  \
    ROW(MxrAdminCreateCommPathSM, 79, Local)                   \
    ROW(MxrAdminDeleteCommPathSM, 80, Local)                   \
    ROW(LocalHost, 82, Local)                                  \
    ROW(LocalHostReliableMessageHomeReqMsg, 83, Message)       \
    ROW(LocalHostReliableMessageHomeRspMsg, 84, Message)       \
    ROW(MailBox, 85, Local)                                    \
    ROW(PostOffice, 86, Local)                                 \
    ROW(PostOfficeCreateMailBoxReqMsg, 87, Message)            \
    ROW(PostOfficeCreateMailBoxRspMsg, 88, Message)            \
    ROW(PostOfficeRemoveMailBoxReqMsg, 89, Message)            \
    ROW(PostOfficeRemoveMailBoxRspMsg, 90, Message)            \
    ROW(PostOfficeSendToMboxReqMsg, 91, Message)               \
    ROW(PostOfficeSendToMboxRspMsg, 92, Message)               \
    ROW(PostOfficeSendToMboxAsynchReqMsg, 93, Message)         \
    ROW(PostOfficeSendToMboxAsynchRspMsg, 94, Message)         \
    ROW(PostOfficeRcvFromMboxReqMsg, 95, Message)              \
    ROW(PostOfficeRcvFromMboxRspMsg, 96, Message)              \
    ROW(PostOfficeRcvFromHostMboxReqMsg, 97, Message)          \
    ROW(PostOfficeRcvFromHostMboxRspMsg, 98, Message)          \
    ROW(PostOfficeIsHostAliveReqMsg, 99, Message)              \
    ROW(PostOfficeIsHostAliveRspMsg, 100, Message)             \
    ROW(PostOfficeIsMboxEmptyReqMsg, 101, Message)             \
    ROW(PostOfficeIsMboxEmptyRspMsg, 102, Message)             \
    ROW(PostOfficeCanTalkReqMsg, 103, Message)                 \
    ROW(PostOfficeCanTalkRspMsg, 104, Message)                 \
    ROW(PostOfficeDisplayMailBoxLstReqMsg, 105, Message)       \
    ROW(PostOfficeDisplayMailBoxLstRspMsg, 106, Message)       \
    ROW(RemoteHostEnt, 107, Local)                             \
    ROW(Message, 108, Message)                                 \
    ROW(ProxyPostOffice, 109, Local)                           \
    ROW(SynchPipeHead, 110, Local)                             \
    ROW(ProxyMxrAdmin, 111, Local)                             \
    ROW(WorldInboxPollAdptr, 112, Local)

// sockagentcore: the socket agent's classes (core/mxr/agents). None travels.
#define MXR_SOCKAGENT_CLASS_CODES(ROW)                         \
    ROW(SOCKCAMsgRcvr, 134, Local)                             \
    ROW(SOCKCAMsgRcvrAddHostSM, 135, Local)                    \
    ROW(SOCKCASetUpListenSM, 136, Local)                       \
    ROW(SOCKConnectPollAdptr, 137, Local)                      \
    ROW(SOCKListenPollAdptr, 138, Local)                       \
    ROW(SOCKPipeHead, 139, Local)                              \
    ROW(SOCKPipePollAdptr, 140, Local)

// ttyagentcore: the serial agent's classes (core/mxr/agents). Only the answer
// travels, between two serial agents.
#define MXR_TTYAGENT_CLASS_CODES(ROW)                          \
    ROW(TTYCAMsgRcvr, 141, Local)                              \
    ROW(TTYCAMsgRcvrAddHostSM, 142, Local)                     \
    ROW(TTYPipeHead, 143, Local)                               \
    ROW(TTYPipePollAdptr, 144, Local)                          \
    ROW(TTYSendMsgSM, 145, Local)                              \
    ROW(TTYPktBufr, 146, Local)                                \
    ROW(TTYPktCtrl, 147, Local)                                \
    ROW(TTYReplyMsg, 148, Message)

// mxrdblink: the manager's link to the database (core/mxr/dblink). None travels.
#define MXR_DBLINK_CLASS_CODES(ROW)                            \
    ROW(MxrCfgstoreObj, 81, Local)                             \
    ROW(MxrCfgstorePathsMsg, 133, Local)

// Programs of tools/ (not a library: registered only in the program).
#define MXR_TOOL_CLASS_CODES(ROW)                              \
    ROW(SignalPollAdptr, 400, Local)                           \
    ROW(FdCallbackPollAdptr, 401, Local)                       \
    ROW(StubAgentRcvr, 402, Local)                             \
    ROW(PathWatchRcvr, 403, Local)                             \
    ROW(RelayAgentRcvr, 404, Local)                            \
    ROW(RelayPipeHead, 405, Local)

// Classes of the test suites and benchmarks, 200-399: registered only in the
// test or benchmark program that holds them.
#define MXR_TEST_CLASS_CODES(ROW)                              \
    ROW(Probe, 201, Value)                                     \
    ROW(Animal, 202, Abstract)                                 \
    ROW(Dog, 203, Value)                                       \
    ROW(Puppy, 204, Value)                                     \
    ROW(Cat, 205, Value)                                       \
    ROW(WireSample, 206, Value)                                \
    ROW(CountedValue, 207, Value)                              \
    ROW(CountedMsg, 208, Message)                              \
    ROW(Gauge, 210, Value)                                     \
    ROW(Shared, 211, Value)                                    \
    ROW(BenchBlob, 230, Value)                                 \
    ROW(LoopTestAdptr, 301, Local)                             \
    ROW(LoopBenchAdptr, 302, Local)                            \
    ROW(LoopEchoMsg, 303, Message)                             \
    ROW(QuietRcvr, 304, Local)                                 \
    ROW(DueMsg, 305, Message)                                  \
    ROW(LatenessRcvr, 306, Local)                              \
    ROW(PingReqMsg, 310, Message)                              \
    ROW(PingRspMsg, 311, Message)                              \
    ROW(NoticeMsg, 312, Message)                               \
    ROW(SubNoticeMsg, 313, Message)                            \
    ROW(RecordingRcvr, 314, Local)                             \
    ROW(WrapperMsg, 315, Message)                              \
    ROW(TestMach, 316, Local)                                  \
    ROW(HookRcvr, 317, Local)                                  \
    ROW(CountingRcvr, 318, Local)                              \
    ROW(DeclaredNoticeMsg, 320, Message)                       \
    ROW(DeclaredAskReqMsg, 321, Message)                       \
    ROW(DeclaredAskRspMsg, 322, Message)                       \
    ROW(DeclaredQuietRspMsg, 323, Message)                     \
    ROW(DeclaredCopyRspMsg, 324, Message)                      \
    ROW(DeclaredBareReqMsg, 325, Message)                      \
    ROW(DeclaredRecord, 326, Value)                            \
    ROW(TestPipeHead, 340, Local)                              \
    ROW(BulkMsg, 341, Message)                                 \
    ROW(InboxNoticeMsg, 360, Message)                          \
    ROW(InboxRcvr, 361, Local)                                 \
    ROW(BenchBulkMsg, 350, Message)                            \
    ROW(BenchRcvr, 351, Local)                                 \
    ROW(SockRecordingHead, 380, Local)                         \
    ROW(SockBulkMsg, 381, Message)                             \
    ROW(TTYRecorder, 370, Local)                               \
    ROW(BenchLineMsg, 371, Message)                            \
    ROW(BenchLineRcvr, 372, Local)

struct MxrClassCodeEnt {
    const char* name;
    int code;
    MxrWireKind kind;
    const char* library;  // the library that registers it; null: a program
};

// MxrClassTable::X: the row of class X (what MXR_CLASS_DEFINE(X) reads).
namespace MxrClassTable {
#define MXR_CLASS_TABLE_ROW_(X, c, k) inline constexpr MxrClassCodeEnt X{#X, (c), MxrWireKind::k, nullptr};
MXR_MSGFRAME_CLASS_CODES(MXR_CLASS_TABLE_ROW_)
MXR_SOCKAGENT_CLASS_CODES(MXR_CLASS_TABLE_ROW_)
MXR_TTYAGENT_CLASS_CODES(MXR_CLASS_TABLE_ROW_)
MXR_DBLINK_CLASS_CODES(MXR_CLASS_TABLE_ROW_)
MXR_TOOL_CLASS_CODES(MXR_CLASS_TABLE_ROW_)
MXR_TEST_CLASS_CODES(MXR_CLASS_TABLE_ROW_)
#undef MXR_CLASS_TABLE_ROW_
}  // namespace MxrClassTable

// Every row with the library that registers it (null: a program), for the
// registry test. A new library's block goes in here under its name.
#define MXR_CLASS_ALL_ROW_(X, c, k) MxrClassCodeEnt{#X, (c), MxrWireKind::k, MXR_CLASS_ROW_LIBRARY_},
inline constexpr MxrClassCodeEnt MxrAllClassCodes[] = {
#define MXR_CLASS_ROW_LIBRARY_ "msgframe"
    MXR_MSGFRAME_CLASS_CODES(MXR_CLASS_ALL_ROW_)
#undef MXR_CLASS_ROW_LIBRARY_
#define MXR_CLASS_ROW_LIBRARY_ "sockagentcore"
    MXR_SOCKAGENT_CLASS_CODES(MXR_CLASS_ALL_ROW_)
#undef MXR_CLASS_ROW_LIBRARY_
#define MXR_CLASS_ROW_LIBRARY_ "ttyagentcore"
    MXR_TTYAGENT_CLASS_CODES(MXR_CLASS_ALL_ROW_)
#undef MXR_CLASS_ROW_LIBRARY_
#define MXR_CLASS_ROW_LIBRARY_ "mxrdblink"
    MXR_DBLINK_CLASS_CODES(MXR_CLASS_ALL_ROW_)
#undef MXR_CLASS_ROW_LIBRARY_
#define MXR_CLASS_ROW_LIBRARY_ nullptr
    MXR_TOOL_CLASS_CODES(MXR_CLASS_ALL_ROW_)
    MXR_TEST_CLASS_CODES(MXR_CLASS_ALL_ROW_)
#undef MXR_CLASS_ROW_LIBRARY_
};
#undef MXR_CLASS_ALL_ROW_

// No code twice, no name twice: checked when anything includes the table.
constexpr bool MxrClassCodesAreUnique() {
    constexpr std::size_t n = sizeof(MxrAllClassCodes) / sizeof(MxrAllClassCodes[0]);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = i + 1; j < n; ++j)
            if (MxrAllClassCodes[i].code == MxrAllClassCodes[j].code ||
                std::string_view(MxrAllClassCodes[i].name) == MxrAllClassCodes[j].name)
                return false;
    return true;
}
static_assert(MxrClassCodesAreUnique(), "a class code or class name appears twice in ClassCodes.h");
