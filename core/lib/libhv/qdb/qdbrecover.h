// Recovery: what the system does after a failure event against a resource
// instance (its recovery scripts farthest first, else the hierarchy handed
// to the systems that share it), and on behalf of another system (take over
// or give up shared resources, restore what a dead system ran). The
// database daemon calls the four public entries; every script and remote
// request runs without the database lock.
#pragma once

#include <list>
#include <map>
#include <string>

class hvresource;

// A list of tags, newest first. Holds copies: scripts that run while the
// lock is released may remove the instances.
class xferlist_c {
public:
    // 0 added, 1 already in the list, 2 bad argument.
    int add_to_list(const char* tag);
    // 0 found and removed, -1 absent or bad argument.
    int test_and_remove_from_list(const char* tag);
    void remove_list();
    void print_list(const char* title) const;
    // The tags joined by 0x01 into buffer (at least 2,000 bytes); null when
    // empty or when the text would reach 2,000 characters.
    char* conv_list_to_string(char* buffer) const;
    bool contains(const std::string& tag) const;

private:
    std::list<std::string> tags_;
};

class qdbrecover {
public:
    static int local_start_recovery(const char* evclass, const char* event, const char* id, const char* args);
    static int remote_remove(const char* list);
    static int remote_transfer(const char* list);
    static int local_mach_restore(const char* system);

    // Exposed for the tests and the recovery program.
    // The failing resource's tag (empty when none) and result of a local
    // recovery (0, -2, -3, -4).
    static std::string local_recovery(const char* evclass, const char* event, const char* id, const char* args,
                                       int* result);
    static std::string recovery_script(const hvresource* r, const char* evclass, const char* event);

private:
    static int local_intermachine_recovery(xferlist_c& list);
    static int local_transfer(const std::string& tag, xferlist_c& list);
    static int local_restore_res(const std::string& tag, const char* system, xferlist_c& list);
    static int remove_shared(const std::string& tag, const std::string& reason, bool withR, xferlist_c& list);
    static int check_for_composites(const std::string& tag, bool withR, xferlist_c& list);
    static void check_composites_to_reserve(const std::string& tag, xferlist_c& list);
};

namespace cfgstore {
// The COMPOSITE partners (local tags) of a local tag that exist here.
void CompositePartners(const char* tag, std::list<std::string>* out);
// Whether the local tag is on either side of a SHARED equivalency.
bool IsSharedLocal(const char* tag);
// The local flag that says the recovery of system's loss has ended.
std::string RecoveredMarkOf(const char* system);
}  // namespace cfgstore
