// Another system's copy is loaded beside the one in use, into a staging
// database of its own, and swapped in only once every reply has arrived: a
// load that fails half-way leaves the records the copy had. The segment walk
// checks what a holder killed in the middle of a change may have left.
#pragma once

#include <string>

class DbMgr;

namespace cfgstore {

// The name of the staging database of system's copy: never a system's name
// (a system name holds no white space).
std::string StagingName(const char* system);
bool IsStagingName(const char* name);

// Moves the records of staging into db, which stays where it is (callers
// hold pointers to it), and frees staging with db's old records. Under the
// lock.
void SwapInCopy(DbMgr* db, DbMgr* staging);

// Checks the segment under the caller's lock: every page in exactly one
// chain or the pool, every used element owned by its chain's database, the
// free counts of the pages, each database's instance list (sorted, every
// node naming an instance of its database, one node per instance), no
// staging database and no load marked running. The number of faults; each
// is described on a line of *report when given.
int WalkSegment(std::string* report);

// What a lock abandoned by a dead holder needs, under that lock: staging
// databases freed, loading marks cleared, every copy's stamp zeroed (so it
// is loaded again at its next use), then the walk, whose faults are
// reported. The walk's fault count.
// A process that takes the lock before it has mapped the segment recovers
// once it has (RecoverIfPending, under the same lock).
int RecoverAbandonedSegment();
void RecoverIfPending();

}  // namespace cfgstore
