#include "ManagerHost.h"

#include "BaseAddr.h"
#include "LocalHost.h"
#include "MxrWorld.h"
#include "SignalPollAdptr.h"
#include "platform/NamedPipeName.h"
#include "platform/SystemDir.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

int RunManagerHost(const char* program, const std::function<void()>& beforeWorld,
                   const std::function<void()>& onListening, const std::function<void()>& afterLoop) {
    // Before any receiver exists: every address of this process reads pid 0
    // and tid 0.
    BaseAddr::SetMxrWorldFlg(1);
    // Before any thread: every thread inherits the blocked signals.
    int err = 0;
    const SignalPollAdptrPtr stopper = SignalPollAdptr::Watch({SIGTERM, SIGINT}, &err);
    if (!stopper.Ok()) {
        std::fprintf(stderr, "%s: cannot watch SIGTERM and SIGINT: %s\n", program, std::strerror(err));
        return 3;
    }
    if (beforeWorld) beforeWorld();

    MxrWorld world;
    // Logical name 6: messages a client hands over to be sent from here.
    LocalHost localHost;
    MxrWorld::SetMxrPipeName(GetMxrPipeName());
    if (world.Initialize() != 0) {
        std::fprintf(stderr, "%s: cannot listen on %s (system directory %s)\n", program, GetMxrPipeName(),
                     portlib::platform::SystemDir().c_str());
        return 2;
    }
    stopper->Register();
    std::string path;
    portlib::platform::PipeNameToPath(GetMxrPipeName(), &path);
    if (onListening) onListening();
    std::printf("%s: listening on %s as host %s (pid %ld)\n", program, path.c_str(),
                BaseAddr::GetCurrentHost().StrVal(), static_cast<long>(::getpid()));
    std::fflush(stdout);

    while (world.GetRunFlag() != 0) world.Run();

    std::printf("%s: stopping on signal %d\n", program, stopper->GetLastSignal());
    std::fflush(stdout);
    if (afterLoop) afterLoop();
    stopper->DeRegister();
    world.CleanUp();
    return 0;
}
