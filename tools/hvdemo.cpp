// A short demonstration of what is built so far: where this system keeps its
// machine-wide state.
#include "platform/SystemDir.h"

#include <cstdio>

int main() {
    using namespace portlib::platform;
    std::printf("Holdervane system directory: %s\n", SystemDir().c_str());
    std::printf("  registry: %s\n  pipes:    %s\n  log:      %s\n",
                SystemPath(SysArea::Registry).c_str(), SystemPath(SysArea::Pipe).c_str(),
                SystemPath(SysArea::Log).c_str());
    return 0;
}
