// The daemon stand-in's requests of the path table ('B'): 'a' create a
// path, 'b' write the table file, 'c' remove paths. Each is answered with
// the callee's result ('$' and the number) or its error ('!').
#pragma once

#include "Message.h"

// Serves one 'B' request; payload is the text after the two letters.
void ServeNetworkRequest(const MessagePtr& request, char command, const std::string& payload);
