// Shared pieces of the post office tests: the runtime scope of the framework's
// own tests (fresh address tables, a chosen host name and manager flag), and
// the two encodings as round trips.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "../../Base/libsrc/tests/RuntimeTestSupport.h"
#include "BaseMsg.h"
#include "IoItem.h"
#include "IoObjectCvt.h"
#include "PipePktCtrl.h"
#include "PktSerialize.h"

namespace mxrtest {

// The printed s-expression of an object (or "<null>").
inline std::string TextOf(const BasePtr& obj) {
    const IoItemPtr tree = GetIoItemFrom(obj);
    IoItem* item = IoItem::AsItem(tree);
    if (item == nullptr) return "<null>";
    std::ostringstream os;
    item->Display(os);
    return os.str();
}

// The pointer form of obj as it travels inside a message, in bytes.
inline std::vector<char> WireOf(BasePtr obj) {
    PipePktCtrl c;
    _serialize(c, obj);
    c.SetDirection(BasePktCtrl::OUTOFPKT);
    c.SetOffset(0);
    std::vector<char> bytes(static_cast<size_t>(c.GetRemainingByteCnt()));
    if (!bytes.empty()) c.DoBytes(bytes.data(), static_cast<int>(bytes.size()));
    return bytes;
}

// Reads an object back from its pointer form; *rc gets the reader's result.
inline BasePtr FromWire(std::vector<char> bytes, int* rc) {
    PipePktCtrl c;
    if (!bytes.empty()) c.DoBytes(bytes.data(), static_cast<int>(bytes.size()));
    c.SetDirection(BasePktCtrl::OUTOFPKT);
    c.SetOffset(0);
    BasePtr back;
    *rc = _serialize(c, back);
    return back;
}

// Reads an object back from its item tree (made by name through the registry).
inline BasePtr FromTree(const BasePtr& obj, int* rc) {
    BasePtr back;
    *rc = SetFromIoItem(GetIoItemFrom(obj), back);
    return back;
}

// obj read back from its binary and from its text form: each time an object
// of the same class that prints and encodes as obj does.
inline void ExpectBothFormsRebuild(const BasePtr& obj) {
    const std::string text = TextOf(obj);
    for (bool wire : {true, false}) {
        SCOPED_TRACE(wire ? "binary form" : "text form");
        int rc = -9;
        const BasePtr back = wire ? FromWire(WireOf(obj), &rc) : FromTree(obj, &rc);
        ASSERT_EQ(rc, 0) << text;
        ASSERT_NE(back.GetPtr(), nullptr);
        EXPECT_EQ(back->GetTypeId(), obj->GetTypeId());
        EXPECT_EQ(TextOf(back), text);
        EXPECT_EQ(WireOf(back), WireOf(obj));
    }
}

}  // namespace mxrtest
