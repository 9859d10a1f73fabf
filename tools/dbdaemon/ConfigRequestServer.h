// The requests the stand-in database daemon serves from its "configuration"
// mailbox. General requests ('@'): 'a' remote execution (qdbdorem answers),
// 'b' write the tables, 'f' one chunk of a file copy, 'h' is a process
// alive ("$1" or "$0"), 'i' shut down; the requests of the path table ('B',
// NetworkRequests.h) and of the applications, types and instances tables
// ('C', 'D', 'E'). Cache updates ('j') of the systems, paths, flags,
// applications, types and instances tables are applied to the named copy and
// never answered; every other request that has a reply mailbox gets '!' with
// code 5, so no requester waits for ever. Each request is logged on
// standard output.
#pragma once

#include "Message.h"

class ConfigRequestServer {
public:
    enum Outcome { Served, Stop };
    // Serves one request.
    Outcome Serve(const MessagePtr& request);

private:
    static void Log(const char* data, int len);
    void Refuse(const MessagePtr& request, const char* why, char type, char command);
};
