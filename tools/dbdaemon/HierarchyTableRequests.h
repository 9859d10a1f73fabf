// The stand-in daemon's answers to the requests of the dependencies and
// equivalencies tables ('F', 'G') and to the instance requests of the
// general type ('@' 'd'), and the cache updates of the two tables.
#pragma once

#include "Message.h"

#include <string>

// Serves one request (not a cache update); false when the type and
// command are not these tables'. Every request with a reply mailbox is
// answered.
bool ServeHierarchyTableRequest(const MessagePtr& request, char type, char command, std::string payload);
// Applies a cache update of one of the two tables; false for another
// table letter. *result gets updateCache's result.
bool ApplyHierarchyTableUpdate(char type, char* record, int* result);
