#include "InstanceSeams.h"

#include "ShellWords.h"
#include "dependency.h"
#include "equivalency.h"
#include "qdberr.h"
#include "qdbkivra.h"

#include <cstring>
#include <mutex>
#include <string>

namespace cfgstore {

// The actions the instance rules start, without the global scripts: the
// start-up pass ("-R") restores the instance alone (what lies below it is
// already checked), a COMMON copy the whole hierarchy. A removal's delete
// action hands "-t <tag> -i <identifier>": each value becomes one quoted
// argument of the script, so blanks or shell characters in it stay whole.
int RunInstanceAction(const char* tag, const char* action, const char* option) {
    const std::string opt = option ? option : "";
    if (tag != nullptr && action != nullptr && std::strcmp(action, "delete") == 0) {
        const std::string head = std::string("-t ") + tag + " -i ";
        if (opt.compare(0, head.size(), head) == 0) {
            std::string args = " " + ShellDoubleQuoted("-t") + " " + ShellDoubleQuoted(tag) + " " +
                               ShellDoubleQuoted("-i") + " " + ShellDoubleQuoted(opt.substr(head.size()));
            return qdbkivra::qdbperfaction(nullptr, nullptr, tag, action, args.data(), KIVRA_ALL, 1, 0);
        }
    }
    const kivraop_e op = std::strstr(opt.c_str(), "-R") ? KIVRA_ONE : KIVRA_ALL;
    return qdbkivra::qdbperfaction(nullptr, nullptr, tag, action, const_cast<char*>(opt.c_str()), op, 0, 0);
}

namespace {

const InstanceSeams kDefaults{DependencyLower, SharedPartner, CommonPartners, SharedEquivalencies, MakeShared,
                              RunInstanceAction, RemoveMatchingInstances};

std::mutex g_mutex;
InstanceSeams g_seams = kDefaults;

}  // namespace

const InstanceSeams& Seams() { return g_seams; }

void SetInstanceSeams(const InstanceSeams& s) {
    std::lock_guard<std::mutex> guard(g_mutex);
    g_seams.dependencyLower = s.dependencyLower ? s.dependencyLower : g_seams.dependencyLower;
    g_seams.sharedPartner = s.sharedPartner ? s.sharedPartner : g_seams.sharedPartner;
    g_seams.commonPartners = s.commonPartners ? s.commonPartners : g_seams.commonPartners;
    g_seams.sharedEquivalencies = s.sharedEquivalencies ? s.sharedEquivalencies : g_seams.sharedEquivalencies;
    g_seams.makeShared = s.makeShared ? s.makeShared : g_seams.makeShared;
    g_seams.perfaction = s.perfaction ? s.perfaction : g_seams.perfaction;
    g_seams.removeInstances = s.removeInstances ? s.removeInstances : g_seams.removeInstances;
}

void ResetInstanceSeams() {
    std::lock_guard<std::mutex> guard(g_mutex);
    g_seams = kDefaults;
}

}  // namespace cfgstore
