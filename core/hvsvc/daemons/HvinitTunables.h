// The tunables file "<root>/etc/HVinit": lines "NAME = value" giving the
// defaults POLLTIME (seconds), RESTARTCNT (count, negative: no limit) and
// RESTARTTMI (seconds). Everything from a '#' on is a comment.
#pragma once

#include "HvinitLayout.h"

#include <string>

namespace hvsvc {

class HvinitTunables {
public:
    static constexpr int kDefault = 5;

    // Sets the header's defaults (5, 5, 5, window 25), reads the file over
    // them, reports unknown names (19003) and a missing file (19002), then
    // clamps: POLLTIME or RESTARTTMI below 1 become 5, a negative RESTARTCNT
    // -1 and 0 becomes 5; the window is RESTARTTMI x RESTARTCNT, 0 without limit.
    static void Load(const std::string& path, hvinit::HvinitHeader* header);
};

}  // namespace hvsvc
