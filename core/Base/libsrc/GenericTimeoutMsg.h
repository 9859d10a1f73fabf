// The message a receiver arms a one-shot timer with while it waits for a
// response: the timer sends it to the receiver's own address when the time
// runs out. It carries nothing but its to-address.
#pragma once

#include "MessageDeclare.h"

MXR_NOTICE(GenericTimeoutMsg, BaseMsg);
