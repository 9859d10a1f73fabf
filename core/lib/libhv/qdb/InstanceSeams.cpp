#include "InstanceSeams.h"

#include "dependency.h"
#include "equivalency.h"
#include "qdberr.h"
#include "qdbkivra.h"

#include <cstring>
#include <mutex>

namespace cfgstore {

namespace {

// The restore or remove action on one local instance, without the global
// scripts: the start-up pass ("-R") restores the instance alone (what lies
// below it is already checked), a COMMON copy the whole hierarchy.
int RunAction(const char* tag, const char* action, const char* option) {
    const kivraop_e op = option && std::strstr(option, "-R") ? KIVRA_ONE : KIVRA_ALL;
    return qdbkivra::qdbperfaction(nullptr, nullptr, tag, action, const_cast<char*>(option ? option : ""), op, 0, 0);
}

const InstanceSeams kDefaults{DependencyLower, SharedPartner, CommonPartners, SharedEquivalencies, MakeShared, RunAction, RemoveMatchingInstances};

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
