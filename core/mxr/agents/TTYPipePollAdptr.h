// The poll adaptor of one open serial line. Each turn it reads what the line
// holds, hands every packet that completes to its pipe head (acknowledging
// or refusing those that need an answer), and writes: first what is left of
// earlier writes, then one new packet, directly when it needs no answer or
// through a new send machine (TTYSendMsgSM) when it does. At most 64
// machines are outstanding; further packets that need an answer wait, while
// answers and other packets that need none still go out.
//
// Writing: the line is non-blocking and takes what fits; the rest of a
// packet is kept in order in the adaptor and written as the line has room,
// so packets never interleave. A hang-up of the device (the adaptor asks
// the poll layer for it) is handed to the pipe head once; the head then
// stops polling the line.
#pragma once

#include <string>

#include "PipePollAdptr.h"
#include "TTYFrameReader.h"
#include "TTYPktBufr.h"
#include "TTYSendMsgSM.h"

class TTYPipePollAdptr : public PipePollAdptr {
    MXR_LOCAL_CLASS(TTYPipePollAdptr, PipePollAdptr);
    MXR_FIELDS();

public:
    // The most packets outstanding without an answer.
    static constexpr int MaxOutstanding = 64;
    // The most bytes kept for a line that takes nothing; a packet beyond is
    // dropped as a failed write (its machine writes it again later).
    static constexpr std::size_t MaxPendingOutput = 128 * 1024;
    // Turns in a row with a line error after which the line counts as gone.
    static constexpr int MaxErrorTurns = 100;

    TTYPipePollAdptr();
    TTYPipePollAdptr(int fd, PipeHead* head);
    // Lets its machines go (their timers stop); does not close the line.
    ~TTYPipePollAdptr() override;

    // fd; POLLIN and the hang-up always, POLLOUT while something can be written.
    void PopulatePollInfo(hv::pollfd* p) override;
    // 0: its entry depends on its send machines, waiting packets and pending
    // bytes, so it is asked before every poll (a serial line is slow; the
    // cost is nothing beside a lost wake-up).
    int TellsInterestChanges() const override;
    enWork ProcessRevents(hv::pollfd* p) override;

    TTYSendMsgSMLst& GetSendMsgSMLst();
    TTYPktBufrLst& GetPktBufrWaitLst();
    TTYPktBufrPtr GetPktBufrWaitLstToSend();
    // Every machine leaves the send list (each ends, its timer stopped).
    void ClearSendMsgSMLst();
    void AddSendMsgSM(const TTYSendMsgSMPtr& sm);
    // A machine leaves the list; a place for a waiting packet opens.
    void RemoveSendMsgSM(TTYSendMsgSM* sm);
    TTYFrameReader& GetFrameReader();

    // Queues a whole packet for the line and writes what the line takes now:
    // 0, or -1 when the line failed or too much is already waiting.
    int WriteToLine(const char* bytes, int n);
    std::size_t GetPendingOutput() const;

private:
    // Reads what the line holds; false when the read failed.
    bool ReadLine(std::vector<TTYFrameReader::Frame>& frames, bool& hungUp);
    // Writes what is pending; false on a failed write.
    bool FlushOutput();
    // One new packet for the line, if any: 1 when work was done.
    int SendOnePacket();
    bool WantsOutput() const;

    TTYFrameReader reader;
    TTYSendMsgSMLst SendMsgSMLst;
    TTYPktBufrLst PktBufrWaitLst;
    std::string pending;  // bytes taken for the line, not yet written
    std::size_t pendingAt;
    int errorTurns = 0;
};
MXR_COMPANIONS(TTYPipePollAdptr);
