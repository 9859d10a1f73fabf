// Ask for the listing of the post office's mailboxes.
#pragma once

#include "MessageDeclare.h"

MXR_REQUEST(PostOfficeDisplayMailBoxLstReqMsg);
