#include "HeldObjectOpener.h"

#include "platform/ErrnoWin32.h"
#include "platform/NamedMutex.h"
#include "platform/OwnerEvent.h"

#include <cerrno>

namespace hvsvc {

namespace pp = portlib::platform;

namespace {

// Checks that the live object is of the kind asked for. 0 or errno.
int CheckKind(HeldKind kind, const std::string& name) {
    switch (kind) {
    case HeldKind::Event: {
        pp::OwnerEvent::State state;
        return pp::OwnerEvent::Query(name, &state);
    }
    case HeldKind::Mutex: {
        pp::NamedMutex probe;
        return probe.Open(name);
    }
    case HeldKind::SharedMemory: return 0;
    }
    return EINVAL;
}

}  // namespace

int HeldObjectOpener::Open(HeldKind kind, const std::string& name, pp::NamedObject* object) {
    if (name.size() > pp::kObjectNameMax) return 206;  // ERROR_FILENAME_EXCED_RANGE
    const pp::SysArea area = kind == HeldKind::SharedMemory ? pp::SysArea::Shm : pp::SysArea::Sync;
    std::string path;
    int rc = pp::NamedObjectPath(area, name, &path);
    if (rc == 0) rc = object->Open(path);
    // The object is held before it is looked at, so it cannot vanish between.
    if (rc == 0) rc = CheckKind(kind, name);
    if (rc != 0) {
        object->Close();
        return pp::Win32FromErrno(rc);
    }
    return 0;
}

}  // namespace hvsvc
