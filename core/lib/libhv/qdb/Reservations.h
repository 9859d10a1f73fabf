// What reservations ask of the platform: the caller's process group, making
// it a group leader, and the pause between two tries. On this platform every
// process is in group 0 and setsid does nothing, so a reservation never
// blocks another process; tests give processes distinct groups here.
#pragma once

namespace cfgstore {

struct ReservationHooks {
    int (*processGroup)();         // -1 on failure
    int (*makeGroupLeader)();      // 0, or -1 with errno set
    void (*pause)(unsigned seconds);
};

const ReservationHooks& Reservation();
// Replaces the hooks (a null member keeps the one in force).
void SetReservationHooks(const ReservationHooks& hooks);

}  // namespace cfgstore
