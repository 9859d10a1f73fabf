// The daemon stand-in's recovery requests of type '@': '>' (transfer: bring
// the listed secondary shared resources into service) and '&' (remote
// remove). Each runs in a worker process, "qdbrecover -T|-X <list>" under
// qdbdorem, which answers the requester in the form qdbgetret splits: a
// transfer nests (the other system's restore asks this one for a remote
// remove while its transfer waits), so the daemon never runs them inline.
#pragma once

#include "Message.h"

#include <string>

// true when command is one of the two (the request is then answered).
bool ServeRecoveryRequest(const MessagePtr& request, char command, const std::string& payload);
