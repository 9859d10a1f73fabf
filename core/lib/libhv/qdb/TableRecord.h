// Small pieces every table of the database shares: the owning database of a
// record, a record's strings, whether a system name is the local one, and
// keeping the caller's error record across a clean-up.
#pragma once

#include "DbIter.h"
#include "DbMgr.h"
#include "QdbShmLayout.h"
#include "ShmStr.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class AutoQdbLock;

namespace cfgstore {

// The database whose chain holds an element, or null.
DbMgr* OwnerDb(const qdbshm::ElemHeader& h);

// A new element of `size` bytes and type `type` in db's chain, zeroed after
// its header; null when there is no room.
void* NewRecord(DbMgr* db, std::int32_t size, std::int32_t type);
// Frees an element taken by NewRecord through its owner. 0 or -1.
int FreeRecord(void* elem);

// Replaces the string at *slot with a copy of text in db (null or "" and
// keepEmpty false: none). 0, or -1 when the string cannot be stored (the old
// one is gone then).
int SetRecordText(DbMgr* db, ShmOff* slot, const char* text, bool keepEmpty = false);
// Frees the string at *slot and sets it to none.
void ClearRecordText(ShmOff* slot);
// The text at off, "" when none.
const char* RecordText(ShmOff off);

// A null-ended array of qdbnalloc copies of the names (freed with
// qdbfreeit), or null when there are none.
char** NameList(const std::vector<const char*>& names);
// The texts of strings, for NameList (valid while the strings live).
std::vector<const char*> Texts(const std::vector<std::string>& strings);
// The same for the names of every record of type `type` in db (Rec has the
// ShmOff `name`).
template <class Rec>
char** RecordNames(DbMgr* db, std::int32_t type) {
    std::vector<const char*> names;
    DbIter it;
    it.iterInit(type, db);
    for (auto* r = static_cast<Rec*>(it.current()); r != nullptr; r = static_cast<Rec*>(it.next()))
        names.push_back(RecordText(r->name));
    return NameList(names);
}

// Reads the table file at path (below the root) and loads it into the
// local database with createmany (copy flag 0), one record at a time (see
// LoadTableLines). 0 once read, whatever records were refused; -1 when the
// file cannot be read.
int LoadTableFile(const char* path, int (*createmany)(const char* dbsys, char* text, int copy));

// Hands the n bytes of a table file's text to load one line (record) at a
// time, as a string of its own. A line that holds a control byte other than
// the field separators (\x01, \x02) and tab, and a line that load refuses
// (it leaves an error set), is reported with file and line number to the
// event log and skipped: one damaged record never costs the others.
void LoadTableLines(const char* file, const char* text, std::size_t n, const std::function<int(char* line)>& load);

// Writes one table's file "<config>/<file>" from getall's text when its
// changed byte is set, under the lock; the byte is cleared once written.
// More than 500,000 bytes is the critical error tooLargeMsg. 0, or the
// error of qdbwritefile (the byte stays set).
int WriteTableFile(int changedIndex, const char* file, void (*getall)(std::string&), int tooLargeMsg);

// The database of system (null or this system: the local one), loaded when
// it is another system's stale copy, with lk held; null with "System not
// found" (number msgnum, severity 23, code 7) reported.
DbMgr* SystemDb(AutoQdbLock& lk, const char* system, int msgnum);

// True when name is null, empty or this system's node name.
bool IsLocalSystem(const char* name);

// Keeps the calling thread's error number and text while a clean-up that
// may report runs, and puts them back (dropping what the clean-up left).
class SavedError {
public:
    SavedError();
    ~SavedError();
    SavedError(const SavedError&) = delete;
    SavedError& operator=(const SavedError&) = delete;

private:
    int errno_;
    char* text_;
};

}  // namespace cfgstore
