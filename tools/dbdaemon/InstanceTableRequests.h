// The stand-in daemon's answers to the requests of the applications,
// resource-types and instances tables ('C', 'D', 'E'), and their cache
// updates.
#pragma once

#include "Message.h"

#include <string>

// Serves a request of one of the three tables (not a cache update); false
// for any other table letter. Every request with a reply mailbox is
// answered.
bool ServeInstanceTableRequest(const MessagePtr& request, char type, char command, std::string payload);
// Applies a cache update of one of the three tables; false for another
// table letter. *result gets updateCache's result.
bool ApplyInstanceTableUpdate(char type, char* record, int* result);
