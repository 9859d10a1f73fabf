// What the instance table asks of the tables and actions built on top of
// it: the dependency records of a hierarchy, the SHARED and COMMON
// equivalencies, the restore and remove actions, and the removal of the
// instances of an application or type. Each is one function pointer: the
// defaults are the dependency and equivalency tables and the hierarchy
// removal, and a refused action until the actions are built; tests put
// their own in.
#pragma once

#include "QdbShmLayout.h"

#include <string>
#include <vector>

class hvresource;

namespace cfgstore {

struct EquivalencySide {
    std::string system;
    std::string tag;
};

struct SharedEquivalency {
    std::string primarySystem, primaryTag, secondarySystem, secondaryTag;
};

struct InstanceSeams {
    // The lower instance that one dependency record names (the body of a
    // node of an instance's dependency list); null when it names none.
    hvresource* (*dependencyLower)(ShmOff record);
    // The other side of the SHARED equivalency in which (system, tag) is
    // the primary (asPrimary) or the secondary. False when there is none.
    bool (*sharedPartner)(const char* system, const char* tag, bool asPrimary, EquivalencySide* other);
    // The other sides of the COMMON equivalencies of (system, tag) in the
    // local database.
    void (*commonPartners)(const char* system, const char* tag, std::vector<EquivalencySide>* out);
    // Every SHARED equivalency of the local database.
    void (*sharedEquivalencies)(std::vector<SharedEquivalency>* out);
    // Creates a SHARED equivalency. 0 or -1.
    int (*makeShared)(const SharedEquivalency& eqv);
    // Runs the action ("restore" or "remove") for the local instance tag.
    // 0 when it succeeded.
    int (*perfaction)(const char* tag, const char* action, const char* option);
    // Removes the instances of an application (and of one type when typ is
    // not null) from the local database. 0; -1 with code 7 when none
    // matched, another code when some could not go.
    int (*removeInstances)(const char* app, const char* typ);
};

// The seams in force, and replacing them (a null member keeps the default).
const InstanceSeams& Seams();
void SetInstanceSeams(const InstanceSeams& seams);
// Back to the defaults.
void ResetInstanceSeams();

// The default action: run in the calling thread, waited for.
int RunInstanceAction(const char* tag, const char* action, const char* option);

// The default removal: every matching instance that no dependency record
// involves is taken out of the list, freed and its removal broadcast; one
// that is involved stays (code 8).
int RemoveUnlinkedInstances(const char* app, const char* typ);
// The removal through ins_remove: every matching instance that nothing
// kept depends on (code 8 otherwise, and nothing goes).
int RemoveMatchingInstances(const char* app, const char* typ);

}  // namespace cfgstore
