// Freeing what the library hands out: an address inside the attached
// segment goes back to the segment's free lists (under the database lock);
// anything else to the heap.
#pragma once

extern "C" void qdbfreeit(void* p);

// 1 when p lies in the attached segment's page area (freed, or refused with
// a report), 0 when it does not.
int qdbFreeShared(void* p);
