// The packet controller of a pipe: a message's stream kept as an array of
// packets. Packing fills new packets as the message is written and numbers them
// when the first is asked for; unpacking collects the packets of one message in
// any order and tells when all have arrived. Packets are made only through
// GetNewPktBufr, so a subclass that overrides it uses another packet kind.
//
// Element i of the array holds the packet with PktId i + 1 (empty while it has
// not arrived). The stream position (Offset) is the data of the packets before
// BufrCursor plus the position inside the packet at BufrCursor.
//
// A fresh packing controller first collects what is written in one
// contiguous buffer (a field at a time; a seek back patches it in place), and
// cuts it into packets only when its packets are asked for (numbering for
// sending, reading, a look at the array): writing a message costs a copy per
// field, not a walk through the packets. While collecting, and while reading
// a pipe packet, the controller keeps the window of BasePktCtrl open on the
// bytes at the position, so that the encoders move most fields without a
// virtual call.
//
// An unpacking controller of a message of several pipe packets that arrive
// in order, full but the last (what a pipe delivers from our own senders),
// gathers their data in one contiguous buffer instead of keeping the packets,
// and reads the message through one window over it. Anything else (a packet
// out of order, a short one before the last, another kind, tracing on, a look
// at the packets) first makes the packets from what was gathered, as they
// arrived, and goes on with them.
//
// A peer decides nothing here that could hurt: a count of 0 or above
// MaxPktCnt, a PktId of 0 or above the count, a count that disagrees with the
// message's are refused (BadFlg 1), and a missing packet ends the stream.
#pragma once

#include "BasePktBufr.h"
#include "BasePktCtrl.h"

class PipePktBufr;

#include <cstddef>
#include <memory>

class PipePktCtrl : public BasePktCtrl {
    MXR_LOCAL_CLASS(PipePktCtrl, BasePktCtrl);
    MXR_FIELDS(MXR_FIELD("bufrCursor", BufrCursor), MXR_FIELD("maxPktSize", MaxPktSize));

public:
    // The most packets a message may have for the receiver to accept it.
    static constexpr int MaxPktCnt = 10000;

    // The buffer a packing controller collects a message in (room bytes at
    // data(), not cleared: only what was written is read); kept per thread
    // for the next messages. A packet header's bytes lie in front of data(),
    // so that a packet can go out from where its data already is.
    struct StageBuffer {
        static constexpr std::size_t HeadRoom = 8;
        std::unique_ptr<char[]> bytes;  // HeadRoom + room bytes
        std::size_t room = 0;
        char* data() const {
            char* b = bytes.get();
            return b != nullptr ? b + HeadRoom : nullptr;
        }
    };

    // A packed message handed over whole instead of cut into packets: its
    // collected bytes [0, length) in buffer, the data bytes of each of its
    // packets but the last (capacity), and its message number.
    struct CollectedMessage {
        StageBuffer buffer;
        int length = 0;
        int capacity = 0;
        unsigned short id = 0;
        int PacketCount() const { return capacity > 0 ? (length + capacity - 1) / capacity : 0; }
    };

    // What Pack makes of a message.
    enum PackResult : int {
        PACKED = 0,
        PACK_FAILED = 1,     // the object did not serialize
        PACK_TOO_LARGE = 2,  // more packets than a receiver accepts
    };

    // For packing: no packets yet, MaxPktSize of a new packet (520).
    PipePktCtrl();
    // For unpacking, from the first packet of a message that arrived.
    explicit PipePktCtrl(const BasePktBufrPtr& first);
    ~PipePktCtrl() override;

    // Beyond the end is the end; a position on a boundary between two packets
    // lands at the end of the earlier one.
    void SetOffset(int position) override;
    int GetRemainingByteCnt() const override;
    // Packing never fails (the stream grows); unpacking returns the count of
    // bytes missing at the end of the stream.
    int DoBytes(char* bytes, int cnt) override;
    BasePktBufrPtr GetFirstPktBufr() override;
    BasePktBufrPtr GetNextPktBufr() override;
    void PutPktBufr(BasePktBufrPtr& pkt) override;
    int AllThere() const override;

    // Changing packets through the array is the caller's business: the
    // controller forgets what it knew of their sizes. (The packets handed out
    // by GetFirstPktBufr / GetNextPktBufr are for sending, not for changing.)
    BasePktBufrAry& GetBufrAry();
    int GetBufrCursor() const;
    void SetBufrCursor(int cursor);
    int GetMaxPktSize() const;
    // Only packets made afterwards take it.
    void SetMaxPktSize(int size);
    // A new empty packet of this stream's kind (GetNewPktBufr), not part of
    // it: what a reader receives one pipe message into.
    BasePktBufrPtr NewPktBufr();
    // Packs obj as message number id and rewinds, ready for GetFirstPktBufr.
    // Anything but PACKED leaves nothing that may be sent: a message of more
    // than MaxPktCnt packets would never be assembled, and past 65,535 its
    // packet numbers would wrap.
    PackResult Pack(BaseVirtItem& obj, unsigned short id);
    // Pack, except that when the packets would be cut the fast way (tracing
    // off, this very class) and the message is not empty, its collected
    // bytes are not cut but moved into *out, and *handedOver is true; else
    // the packets are cut as Pack cuts them and *handedOver is false.
    PackResult PackCollected(BaseVirtItem& obj, unsigned short id, CollectedMessage* out, bool* handedOver);
    // Makes pkt packet number index + 1 of msg, as cutting msg would have
    // made it: pkt must be a pipe packet that is new or rewound.
    static void MakeSlice(BasePktBufr& pkt, const CollectedMessage& msg, int index);
    // Returns a collected message's buffer to this thread's spares (or frees
    // it); the message is left empty.
    static void GiveBack(CollectedMessage& msg);
    // Writes one packet as it goes on the wire (count bytes, header
    // included); 0, or non-zero to stop.
    using PacketWriter = int (*)(void* context, const char* bytes, int count);
    // What a blocking writer does while tracing is off, in place of Pack and
    // a walk through the packets: packs obj as message number id and hands
    // each packet to write, in order. Each packet is handed over where its
    // data lie in the collected message, its header written in front for the
    // call (the bytes there are put back after it), no packet objects made;
    // the bytes are those the packets would carry, valid during the call
    // only. *writeRc gets write's first non-zero result (nothing more is
    // written then), else 0.
    PackResult PackAndWrite(BaseVirtItem& obj, unsigned short id, PacketWriter write, void* context, int* writeRc);
    // Whether a packet can start a message in assembly: a count of 1 to
    // MaxPktCnt packets and a place within it.
    static bool CanStart(const BasePktBufrPtr& first);
    // The packets of the stream, arrived or not.
    int GetPktCnt() const;
    // The packets that arrived into an unpacking controller.
    int GetArrivedCnt() const;

    // A reader's way to the next packet of a message it gathers, tracing
    // off: the pipe message is read straight into the gathered bytes, its
    // header over the 8 bytes in front of where the packet's data go (those
    // bytes kept aside). OpenReadSlot answers where to read at most a whole
    // packet (520 bytes), or null when this controller does not gather.
    // TakeReadSlot(count) then takes the count bytes read when they are the
    // packet that PutPktBufr would gather next (a received pipe packet of
    // 512 data bytes, checked as SetRecvdSize and gathering check it), and
    // closes the slot: true. Else nothing is taken and the bytes stay in the
    // slot for the caller to copy out before CloseReadSlot, which puts the
    // bytes under the header back.
    char* OpenReadSlot();
    bool TakeReadSlot(int count);
    void CloseReadSlot();

    // A reader's way to a packet that may start a message, tracing off: the
    // pipe message is read straight into a collecting buffer (a spare one of
    // this thread), its header in the head room. OpenFirstSlot answers where
    // to read at most a whole packet (520 bytes) into slot's buffer.
    // StartFromSlot(slot, count) then makes the controller of the message
    // whose first packet the count bytes read are, when they are one that the
    // unpacking constructor would gather from a received pipe packet of 512
    // data bytes (packet 1 of a message of 2 to MaxPktCnt packets, full, its
    // header's size that count): gathering, the buffer handed over, not yet
    // counted. Else null, the bytes left in the slot for the caller to copy
    // out before CloseFirstSlot gives the buffer back (as the slot's
    // destructor does).
    struct FirstSlot {
        StageBuffer buffer;
        ~FirstSlot();
    };
    static char* OpenFirstSlot(FirstSlot* slot);
    static PipePktCtrl* StartFromSlot(FirstSlot* slot, int count);
    static void CloseFirstSlot(FirstSlot* slot);

protected:
    BasePktBufrPtr GetNewPktBufr() override;

private:
    // The packet at index i, or null for an empty element or an index out of range.
    BasePktBufr* PktAt(int i) const {
        MXR_METHOD_FRAME("PktAt", 1);
        // Reading a slot changes nothing; the array offers only the one accessor.
        auto& ary = const_cast<BasePktBufrAry&>(BufrAry);
        if (i < 0 || i >= ary.GetItemCnt()) return nullptr;
        return ary[i].GetPtr();
    }
    int PktBytes(int i) const;
    void SeekPacket(int position);
    // Puts the position at the end of the stream (a cursor made invalid by
    // the fields being set from outside).
    void SeekEnd();
    // Cuts the collected bytes into packets, the position kept; from then
    // on every write goes to the packets.
    void Unstage() const;
    // Takes back what moved through the window and closes it; every other
    // look at the stream starts here.
    void CloseWindow() const {
        if (winDirection != BADDIR) ShutWindow();
    }
    void ShutWindow() const;
    void ShutPacketWindow() const;
    // Opens the window at the position: the collecting buffer's room, or the
    // rest of the pipe packet being read.
    void OpenWindow();
    void OpenPacketWindow();
    void Settle() const {
        CloseWindow();
        Unstage();
        Scatter();
    }
    // Writes obj as message number id into the collecting buffer (a spare
    // one taken first while tracing is off) and rewinds: obj's result.
    int Collect(BaseVirtItem& obj, unsigned short id);
    // Whether pkt may join the gathered bytes as packet number id: a packet
    // of this message, as it was received, full unless it is the last.
    // (The caller has seen that tracing is off and this class makes pipe packets.)
    bool CanGather(const PipePktBufr& pkt, int id) const;
    // The part of that test a packet's header and size decide: sendSize,
    // ctrlId, pktId, totalPkts as received, with bytes of data.
    bool FitsGather(int sendSize, int ctrlId, int pktId, int totalPkts, int bytes) const;
    // The unpacking constructor, given first as a pipe packet taken the fast
    // way (tracing off), else null.
    PipePktCtrl(const BasePktBufrPtr& first, const PipePktBufr* pipe);
    // What that constructor makes of a full first packet of message id of
    // total packets, gathered: the packet's data are the first 512 bytes of
    // gathered.
    PipePktCtrl(StageBuffer&& gathered, unsigned short id, int total);
    // PutPktBufr but for gathering: pkt into its element of the array.
    void PlaceArrived(const BasePktBufrPtr& pkt);
    // Appends a received packet's data to the gathered bytes.
    void Gather(const PipePktBufr& pkt);
    // Makes the packets of what was gathered, as they arrived, the position
    // kept; from then on the controller works on packets.
    void Scatter() const;
    // Makes room for need bytes in the collecting buffer, keeping its first
    // keep bytes.
    void Reserve(std::size_t need, std::size_t keep) const;
    // Copies bytes into the collecting buffer at the position, growing it.
    void StageBytes(const char* bytes, int cnt);
    // Whether the packets may be handled as pipe packets without their
    // virtual accessors: tracing is off (a traced run shows every call)
    // and this controller makes pipe packets.
    bool FastPipePackets() const;
    // Unstage for FastPipePackets: cuts the collected bytes into pipe
    // packets directly, leaving what the general way leaves.
    void CutStaged(int position);

    BasePktBufrAry BufrAry;
    int BufrCursor;
    int MaxPktSize;
    // The data of the packets before the packet at cursorKey, valid while
    // cursorKey equals BufrCursor: lets SetOffset and DoBytes move from where
    // they are instead of walking every packet from the first.
    int cursorKey;
    int cursorBase;
    // The packets placed by PutPktBufr into empty elements, or -1 when not
    // known (the array was handed out or grew by packing): lets AllThere
    // answer 0 at once while packets are missing, so that a message of n
    // packets is assembled in O(n), not O(n^2).
    int arrived;
    // While collecting: the bytes written are [0, stagedLen) of staged;
    // the position is Offset.
    mutable StageBuffer staged;
    mutable int stagedLen;
    mutable bool staging;
    // While gathering: the data of packets 1 .. arrived of a message of
    // gatherTotal packets are [0, stagedLen) of staged; the position is Offset.
    mutable bool gathering;
    int gatherTotal;
    // The data of the pipe packet a reading window is open on.
    char* winBase;
    // An open read slot: where its header lies, and the gathered bytes it covers.
    char* slotAt = nullptr;
    char slotSaved[StageBuffer::HeadRoom] = {};
};
MXR_COMPANIONS(PipePktCtrl);
