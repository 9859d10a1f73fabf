// The segment branch of qdbfreeit: an address inside the attached segment
// goes back to the segment's free lists, under the database lock.
#pragma once

// 1 when p lies in the attached segment's page area (freed, or refused with
// a report), 0 when it does not (the caller frees it from the heap).
int qdbFreeShared(void* p);
