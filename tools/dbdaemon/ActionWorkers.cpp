#include "ActionWorkers.h"

#include "InstanceSeams.h"
#include "qdberr.h"
#include "qdbexec.h"
#include "qdbpaths.h"

#include <cstring>
#include <string>

namespace {

thread_local bool tl_inline = false;

int StartActionWorker(const char* tag, const char* action, const char* option) {
    if (tl_inline) return cfgstore::RunInstanceAction(tag, action, option);
    if (tag == nullptr || action == nullptr || (std::strcmp(action, "restore") != 0 && std::strcmp(action, "remove") != 0))
        return hv_err(__FILE__, __LINE__, 23, 0, QDB_ARGS, "no action worker for \"%s\"", action ? action : "");
    // Every value is quoted: the tag cannot add words to the line.
    std::string line =
        cfgstore::QuoteCommandArg(gps(kPathQdbRecover)) + " -A " + action + " " + cfgstore::QuoteCommandArg(tag);
    if (option && *option) line += " " + cfgstore::QuoteCommandArg(option);
    const std::string out = gps(kPathRemoteExecuteLog);
    const redirection redirs[] = {{HV_REDIR_APPEND, 1, {out.c_str()}}, {HV_REDIR_DUP, 2, {.source = 1}}};
    return hvexec(0, 2, redirs, "%s", line.c_str()) > 0 ? 0 : -1;
}

}  // namespace

void UseActionWorkers() {
    cfgstore::InstanceSeams seams{};
    seams.perfaction = StartActionWorker;
    cfgstore::SetInstanceSeams(seams);
}

void RunActionsInlineOnThisThread() { tl_inline = true; }
