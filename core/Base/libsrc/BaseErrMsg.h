// The answer to a request that could not be delivered: the event loop sends
// it to the request's from-address. It carries nothing but its to-address.
#pragma once

#include "MessageDeclare.h"

MXR_NOTICE(BaseErrMsg, BaseMsg);
