// The pointer form of an object field, and the raw copy that carries objects
// of classes this program does not have.
#include <cstdint>
#include <utility>

#include "BasePktCtrl.h"
#include "BinaryFieldCodec.h"
#include "FuncInfo.h"
#include "LocalPktCtrl.h"
#include "MxrAssert.h"
#include "RegisterClass.h"

#define PTR_FRAME(parms) MXR_FRAME("BasePktCtrl", "_serialize", (parms), "PktSerializePointer.c")

namespace {

// Objects being written or read inside each other on this thread. A crafted
// message must not nest deep enough to exhaust the stack, and an object graph
// with a cycle must not recurse for ever.
constinit thread_local int objectDepth __attribute__((tls_model("initial-exec"))) = 0;

class DepthGuard {
public:
    DepthGuard() : ok(objectDepth < MxrMaxObjectDepth) {
        if (ok) ++objectDepth;
    }
    ~DepthGuard() {
        if (ok) --objectDepth;
    }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;
    bool Ok() const { return ok; }

private:
    bool ok;
};

// Set while an undecodable request is read again for its sender's address.
constinit thread_local bool foreignAsNull __attribute__((tls_model("initial-exec"))) = false;

constexpr int ScratchSize = 128;

int PackPointer(BasePktCtrl& c, BasePtr& p, int start, int after, int pending) {
    BaseVirtItem* obj = p.GetPtr();
    if (obj == nullptr) return 0;
    DepthGuard depth;
    if (!depth.Ok()) return 1;
    int rc;
    if (obj->GetTypeId() == LocalPktCtrl::ClassCode) {
        LocalPktCtrlPtr local(p);
        rc = _serialize(c, local, -1);
    } else {
        rc = obj->Serialize(c);
    }
    if (rc != 0) return rc;  // the length word stays 0
    // Patch the placeholder: the object's bytes, the length word not counted.
    const int end = c.GetOffset();
    int length = end - after;
    char* at = after - start == 4 ? c.WrittenBytesAt(start, 4) : nullptr;
    if (at != nullptr) {
        // Still in the piece being written: patched in place, little-endian.
        const auto bits = static_cast<std::uint32_t>(length);
        for (int i = 0; i < 4; ++i) at[i] = static_cast<char>(static_cast<unsigned char>(bits >> (8 * i)));
        return pending;
    }
    c.SetOffset(start);
    if (int r = MxrMoveInteger(c, length)) pending = r;
    c.SetOffset(end);
    return pending;
}

int UnpackPointer(BasePktCtrl& c, BasePtr& p, int after, int length, int declaredType) {
    if (length == 0) {
        p = BasePtr();
        return 0;
    }
    // The object reads its own code again: looked at in place, or read and
    // gone back over.
    SpclSerialInt code;
    if (!c.PeekWireCount(&code.value)) {
        if (int rc = _serialize(c, code)) return rc;
        c.SetOffset(after);
    }
    // A code of 2^31 or more is no class's (negative as an int).
    const int id = static_cast<std::int32_t>(code.value);
    // Tracing off, the registry answers in one call without frames.
    const bool traced = FuncInfo::MayTrace();
    bool decodable = false;
    RegisterClass* rec = traced ? RegisterClass::GetRegisterClassEntryFrmId(id)
                                : RegisterClass::FindForDecoding(id, declaredType, MxrDecodePlace::Field, &decodable);
    DepthGuard depth;
    if (!depth.Ok()) return 1;
    if (rec != nullptr) {
        // Checked before the factory runs: a local-only class, or one that is
        // not what the field declares, is never constructed.
        if (traced) decodable = rec->IsDecodableAs(declaredType, MxrDecodePlace::Field) != 0;
        if (!decodable) {
            // Never constructed; passed over by its length when asked to.
            if (!foreignAsNull || length < 0) return 1;
            c.SetOffset(after + length);
            return 0;
        }
        BasePtr obj = BasePtr::AdoptNew(traced ? rec->GetNewFuncPtr()() : rec->Factory()());
        if (obj.GetPtr() == nullptr) return 1;
        const int rc = obj->Serialize(c);
        p = std::move(obj);  // even when its reading failed; the reference is handed over
        return rc;
    }
    // Unknown class: the length word is the only way past it.
    if (length < 0) return 1;
    LocalPktCtrlPtr local(new LocalPktCtrl());
    const int rc = _serialize(c, local, length);
    p = std::move(local);
    return rc;
}

}  // namespace

MxrForeignFieldsAsNull::MxrForeignFieldsAsNull() : was(foreignAsNull) { foreignAsNull = true; }
MxrForeignFieldsAsNull::~MxrForeignFieldsAsNull() { foreignAsNull = was; }

int _serialize(BasePktCtrl& c, BasePtr& p) {
    PTR_FRAME(2);
    return MxrSerializePointer(c, p, BaseVirtItem::ClassCode);
}

int MxrSerializePointer(BasePktCtrl& c, BasePtr& p, int declaredType) {
    MXR_FRAME("BasePktCtrl", "MxrSerializePointer", 3, "PktSerializePointer.c");
    const int start = c.GetOffset();
    int length = 0;
    const int pending = MxrMoveInteger(c, length);
    const int after = c.GetOffset();
    switch (c.GetDirection()) {
    case BasePktCtrl::INTOPKT:
        return PackPointer(c, p, start, after, pending);
    case BasePktCtrl::OUTOFPKT:
        // A stream that ends inside the length word is a failure, not a null.
        if (pending != 0) return pending;
        return UnpackPointer(c, p, after, length, declaredType);
    default:
        return pending != 0 ? pending : -1;
    }
}

int _serialize(BasePktCtrl& c, LocalPktCtrlPtr& local, int count) {
    PTR_FRAME(3);
    LocalPktCtrl* store = local.GetPtr();
    MXR_ASSERT(store != nullptr, "local.Ok()", "PktSerializePointer");
    char scratch[ScratchSize];
    if (c.GetDirection() == BasePktCtrl::INTOPKT) {
        store->SetDirection(BasePktCtrl::OUTOFPKT);
        store->SetOffset(0);
        if (count == -1) count = store->GetRemainingByteCnt();
        while (count > 0) {
            const int k = count < ScratchSize ? count : ScratchSize;
            if (int rc = store->DoBytes(scratch, k)) return rc;
            if (int rc = c.MoveBytes(scratch, k)) return rc;
            count -= k;
        }
        return 0;
    }
    store->SetDirection(BasePktCtrl::INTOPKT);
    store->SetOffset(0);
    if (count == -1) count = store->GetRemainingByteCnt();
    while (count > 0) {
        const int k = count < ScratchSize ? count : ScratchSize;
        const int rc = c.MoveBytes(scratch, k);
        if (rc < 0) return rc;
        // What arrived is kept; the result counts every byte still missing.
        const int got = k - rc;
        if (got > 0) store->DoBytes(scratch, got);
        if (rc > 0) return rc + (count - k);
        count -= k;
    }
    return 0;
}
