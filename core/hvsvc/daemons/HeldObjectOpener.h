// Opening a named object to hold it, by kind. Holding is keeping a handle of
// the platform's named objects (a shared lock on the object's file): while the
// server holds it, the object and its name stay, whoever made it; once the
// last handle goes, so does the object, as on NT.
#pragma once

#include "platform/NamedObject.h"

#include <string>

namespace hvsvc {

enum class HeldKind { Event, SharedMemory, Mutex };

class HeldObjectOpener {
public:
    // Opens the live object `name` of that kind into *object. 0 or a Win32
    // error: 2 no such object, 6 an object of another kind under that name,
    // 206 a name too long for an object, else the open's error.
    static int Open(HeldKind kind, const std::string& name, portlib::platform::NamedObject* object);
};

}  // namespace hvsvc
