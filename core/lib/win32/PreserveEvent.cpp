// Event requests: hold, query and release a named event, and the listing of
// the held events.
#include "PreserveClient.h"

namespace portlib {

int PreserveEvent(const char* name, char* buffer, int length) {
    return ProcessObjCmd(kPreserveStoreEvent, name, 0, buffer, length);
}

int IsEventPreserved(const char* name, char* buffer, int length) {
    return ProcessObjCmd(kPreserveQueryEvent, name, 0, buffer, length);
}

int ClearEvent(const char* name, int force, char* buffer, int length) {
    return ProcessObjCmd(kPreserveClearEvent, name, force, buffer, length);
}

int DumpEventData() {
    return DumpNamedObjects(kPreserveDumpEvents, "\tEVENT NAME          \tHANDLE    \tREF. COUNT\n",
                            DumpReturnLine::OnFailure);
}

}  // namespace portlib
