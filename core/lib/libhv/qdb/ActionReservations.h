// The reservations that the restore, remove and recovery actions take and
// release around their scripts. Each is one function pointer, so the
// reservation table installs its own; the defaults reserve nothing and
// succeed, which leaves the actions' own rules unchanged.
#pragma once

#include "hvresource.h"

namespace cfgstore {

struct ReservationSeams {
    // Reserves the hierarchies of the 0x01-separated stop tags for type.
    // 0 or -1.
    int (*reserve)(const char* stoptags, qdbresrv_t type);
    // Releases every reservation of process pid. 0 or -1.
    int (*clearAll)(long pid);
    // Releases pid's reservation of one local instance (lock held). 0 or -1.
    int (*clearOne)(hvresource* r, long pid);
};

const ReservationSeams& Reservations();
// A null member keeps the one in force.
void SetReservationSeams(const ReservationSeams& seams);

}  // namespace cfgstore
