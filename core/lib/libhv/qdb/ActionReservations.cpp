#include "ActionReservations.h"

#include <mutex>

namespace cfgstore {

namespace {

int NoReserve(const char*, qdbresrv_t) { return 0; }
int NoClearAll(long) { return 0; }
int NoClearOne(hvresource*, long) { return 0; }

std::mutex g_mutex;
ReservationSeams g_seams{NoReserve, NoClearAll, NoClearOne};

}  // namespace

const ReservationSeams& Reservations() { return g_seams; }

void SetReservationSeams(const ReservationSeams& s) {
    std::lock_guard<std::mutex> guard(g_mutex);
    if (s.reserve) g_seams.reserve = s.reserve;
    if (s.clearAll) g_seams.clearAll = s.clearAll;
    if (s.clearOne) g_seams.clearOne = s.clearOne;
}

}  // namespace cfgstore
