// Test helper: makes a named object and keeps it until its standard input
// closes, then ends (and with it its own hold on the object).
//   optool_probe shm|event|mutex <name>
// Prints "ready" once the object exists; exits 1 when it cannot be made.
#include "platform/NamedMutex.h"
#include "platform/OwnerEvent.h"
#include "platform/SharedSegment.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace pp = portlib::platform;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s shm|event|mutex <name>\n", argv[0]);
        return 2;
    }
    const char* kind = argv[1];
    const char* name = argv[2];
    pp::SharedSegment segment;
    pp::OwnerEvent event;
    pp::NamedMutex mutex;
    int rc = 1;
    if (std::strcmp(kind, "shm") == 0) {
        rc = segment.Create(name, 4096);
        if (rc == 0) rc = segment.Publish();
    } else if (std::strcmp(kind, "event") == 0) {
        rc = event.Create(name);
    } else if (std::strcmp(kind, "mutex") == 0) {
        rc = mutex.CreateOrOpen(name);
    }
    if (rc != 0) return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    char c;
    while (::read(0, &c, 1) > 0) {
    }
    return 0;
}
