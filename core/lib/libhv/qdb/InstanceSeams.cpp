#include "InstanceSeams.h"

#include "dependency.h"
#include "equivalency.h"
#include "qdberr.h"

#include <mutex>

namespace cfgstore {

namespace {

int NoAction(const char* tag, const char* action, const char*) {
    return hv_err(__FILE__, __LINE__, 23, 0, QDB_INT, "the %s action for \"%s\" is not available", action ? action : "",
                  tag ? tag : "");
}

const InstanceSeams kDefaults{DependencyLower, SharedPartner, CommonPartners, SharedEquivalencies, MakeShared, NoAction, RemoveMatchingInstances};

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
