// The HV-init command dispatcher: one text request ("<number> <arg> <arg> ")
// in, one text reply out. The pipe server hands it every client's request,
// and the monitor its own (FORK, RECOVER, KILL, CONFIGN) as if they came from
// the pipe. Every argument is checked before anything is written to the
// table: a request can neither overrun a slot field nor name a group outside
// the table.
#pragma once

#include "HvinitConfigEditor.h"
#include "HvinitLayout.h"
#include "HvinitPaths.h"
#include "HvinitProcessControl.h"
#include "MonitorSystem.h"
#include "SlotHandles.h"

#include <cstddef>

namespace hvsvc {

class HvinitDispatcher {
public:
    static constexpr std::size_t kReplyBytes = 256;
    static constexpr std::size_t kRequestBytes = 1024;

    // Who asks: the monitor keeps the handle of a process it starts; a tool
    // cannot use one of the service's descriptors, so for the pipe it is
    // closed and the reply shows none (0).
    enum class Origin { Monitor, Pipe };

    HvinitDispatcher(hvinit::HvinitTable* table, SlotHandles& handles, MonitorSystem& system,
                     const HvinitPaths& paths)
        : table_(table),
          handles_(handles),
          system_(system),
          editor_(paths.config, system),
          processes_(table, handles, system) {}

    // `request` holds `length` bytes, terminated or not (at most 1024 are
    // read). `reply` (256 bytes) is zeroed and filled; command 0 leaves it empty.
    void Dispatch(const char* request, std::size_t length, char* reply, Origin origin = Origin::Monitor);
    // A terminated request text from the monitor.
    void Dispatch(const char* request, char* reply) { Dispatch(request, std::char_traits<char>::length(request), reply); }

    // The first in-use slot whose command has the program part of `command`, -1.
    int FindSlot(const char* command) const;

private:
    int Update(const char* record, int type);
    int GetGroupNumber(const char* argument);
    int DeleteGroupNumber(const char* argument);
    void Apply(int slot, char (*fields)[256]);

    hvinit::HvinitTable* table_;
    SlotHandles& handles_;
    MonitorSystem& system_;
    HvinitConfigEditor editor_;
    HvinitProcessControl processes_;
};

}  // namespace hvsvc
