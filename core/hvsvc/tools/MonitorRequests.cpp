#include "MonitorRequests.h"

#include "libHVinit.h"

#include <cstdlib>
#include <string>

namespace hvtools {

namespace {

constexpr long kFailedReply = -2;

// Ask, failing also on the reply -2.
bool AskNotRefused(int command, std::initializer_list<const char*> args) {
    long value = 0;
    return Ask(command, args, &value) && value != kFailedReply;
}

bool FreeGroup(int groupNumber) {
    const std::string group = std::to_string(groupNumber);
    long value = 0;
    return Ask(hvinit::kCmdDelGrpNum, {group.c_str()}, &value);
}

}  // namespace

bool Ask(int command, std::initializer_list<const char*> args, long* value) {
    char reply[32] = "";
    if (hvinit::Request(reply, sizeof reply, command, args) != 0) return false;
    *value = std::atol(reply);
    return true;
}

std::string StopRecord(const std::string& command) {
    return command + "::-1::-::-::-::-::-::-::-::0::0::0::S::-";
}

std::string PollNowRecord(const std::string& command, long now) {
    return command + "::-::-::-::-::-::-::-::-::" + std::to_string(now) + "::-::-::-::-";
}

bool RemoveFully(const SlotCopy& slot) {
    const std::string stop = StopRecord(slot.command);
    return AskNotRefused(hvinit::kCmdUpdateConf, {slot.command.c_str(), "1"}) &&
           AskNotRefused(hvinit::kCmdUpdate, {stop.c_str(), "1"}) && FreeGroup(slot.groupNumber);
}

bool StopWatching(const SlotCopy& slot, bool notMonitored) {
    long inFile = 0;
    if (!Ask(hvinit::kCmdConfinq, {slot.command.c_str()}, &inFile) || inFile == kFailedReply) return false;
    const std::string stop = StopRecord(slot.command);
    if (inFile == 1) {
        long value = 0;
        return notMonitored || Ask(hvinit::kCmdUpdate, {stop.c_str(), "2"}, &value);
    }
    return AskNotRefused(hvinit::kCmdUpdate, {stop.c_str(), "1"}) && FreeGroup(slot.groupNumber);
}

}  // namespace hvtools
