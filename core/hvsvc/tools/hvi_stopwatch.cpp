// hvi_stopwatch: stops the watching of every monitored process at once.
// Prints the routine's result; exits 0 when it succeeded, 1 otherwise.
#include "HelpOption.h"
#include "HvinitReport.h"
#include "StopWatch.h"
#include "ToolText.h"
#include "qdberr.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (portlib::AsksForHelp(argc, argv))
        return hvtools::PrintToolHelp(argv[0], "Usage: %s\n",
                                      "\nStops the watching of every monitored process at once and prints the\n"
                                      "result (\"returned N\").\n"
                                      "Exit status: 0 done; 1 bad command line or the request failed.\n");
    set_errinfo("HV-init:hvi_stopwatch", "General", 1024, nullptr);
    if (argc > 1) {
        HVI_REPORT(6, 19261, "Usage: %s\n", hvtools::ToolName(argv[0]).c_str());
        std::printf("-2\n");
        return 1;
    }
    const int result = stopwatch();
    std::printf("returned %d\n", result);
    return result == 0 ? 0 : 1;
}
