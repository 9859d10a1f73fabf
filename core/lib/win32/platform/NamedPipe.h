// NT named pipes on Unix-domain sockets: the whole public interface.
//
//   NamedPipeName.h      "\\.\pipe\NAME" -> $HV_SYSTEM_DIR/run/pipe/<name>
//   NamedPipeListener.h  the server's side: create, accept
//   NamedPipeConnect.h   the client's side: connect with wait-for-pipe rules
//   NamedPipeIo.h        read, write, peek
//   NamedPipeMode.h      read mode, blocking mode, close
//   NamedPipePoll.h      what poll(2) cannot see
//   NamedPipeAccess.h    who may connect
#pragma once

#include "platform/NamedPipeAccess.h"
#include "platform/NamedPipeConnect.h"
#include "platform/NamedPipeIo.h"
#include "platform/NamedPipeListener.h"
#include "platform/NamedPipeMode.h"
#include "platform/NamedPipeName.h"
#include "platform/NamedPipePoll.h"
#include "platform/NamedPipeTypes.h"
#include "platform/Win32Error.h"
