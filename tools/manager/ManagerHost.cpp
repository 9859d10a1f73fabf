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
                   const std::function<void()>& onListening, const std::function<void()>& afterLoop,
                   const std::function<void(const std::string&)>& failed) {
    const auto fail = [&](const std::string& why, int code) {
        std::fprintf(stderr, "%s: %s\n", program, why.c_str());
        if (failed) failed(why);
        return code;
    };
    // Before any receiver exists: every address of this process reads pid 0
    // and tid 0.
    BaseAddr::SetMxrWorldFlg(1);
    // Before any thread: every thread inherits the blocked signals.
    int err = 0;
    const SignalPollAdptrPtr stopper = SignalPollAdptr::Watch({SIGTERM, SIGINT}, &err);
    if (!stopper.Ok()) return fail(std::string("cannot watch SIGTERM and SIGINT: ") + std::strerror(err), 3);
    if (beforeWorld) beforeWorld();

    MxrWorld world;
    // Logical name 6: messages a client hands over to be sent from here.
    LocalHost localHost;
    MxrWorld::SetMxrPipeName(GetMxrPipeName());
    if (world.Initialize() != 0)
        return fail(std::string("cannot listen on ") + GetMxrPipeName() + " (system directory " +
                        portlib::platform::SystemDir() + ")",
                    2);
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
