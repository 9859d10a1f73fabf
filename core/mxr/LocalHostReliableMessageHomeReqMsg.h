// Asks the local host receiver to send a message on from inside the manager.
// The wrapped message travels whole (nested object) and keeps its own
// addresses.
// The answer LocalHostReliableMessageHomeRspMsg carries retVal: 1 the wrapped
// message was sent on; 0 it was not (the request held no message, or its
// to-address leads nowhere from the manager).
#pragma once

#include "MessageDeclare.h"

MXR_REQUEST_WITH_RETVAL(LocalHostReliableMessageHomeReqMsg, LocalHostReliableMessageHomeRspMsg,
                        (BaseMsgPtr, TheMsg, "theMsg", Get(GetTheMsg)));
