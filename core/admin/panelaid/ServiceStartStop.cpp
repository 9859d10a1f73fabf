#include "ServiceStartStop.h"

#include "SpawnedChild.h"

#include <sys/wait.h>

namespace panelaid {

int ServiceStartStop::Run(bool start, ProgressBox& box) {
    SpawnSpec spec;
    spec.argv.push_back(db_.RootDir() + (start ? "/bin/hvstart.exe" : "/bin/hvstop.exe"));
    spec.quiet = true;
    SpawnedChild child;
    if (child.Start(spec, nullptr) != 0) {
        boxes_.Ask({"", start ? "Failed To create process to start Holdervane."
                              : "Failed To create process to stop Holdervane.",
                    BoxIcon::None, BoxButtons::Ok});
        return 0;
    }
    box.Open(start);
    pump_.WaitUntilDone(child);
    box.Close();
    const int status = child.WaitStatus();
    if (status < 0) return 0;  // its end could not be read
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return 1;
    boxes_.Ask({"", start ? "Failed To start Holdervane.\nOpen Event Viewer tool for detailed error messages."
                          : "Failed To stop Holdervane.\nOpen Event Viewer tool for detailed error messages.",
                BoxIcon::Error, BoxButtons::Ok});
    return 0;
}

}  // namespace panelaid
