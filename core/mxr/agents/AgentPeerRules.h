// What a communication agent takes from the peer at the other end of a path
// (TCP or serial): routes only for the host the connection introduced itself
// as, never for this system, and never above the connection's own route.
#pragma once

#include "BaseAddr.h"
#include "bStr.h"

// Whether the peer, introduced (nonzero) as introducedAs, may announce a
// route for host.
inline bool PeerMayAnnounce(int introduced, const bStr& introducedAs, const bStr& host) {
    return introduced != 0 && host == introducedAs && !(host == BaseAddr::GetCurrentHostRef());
}

// The priority a peer's announced route gets: at most the connection's own.
inline int PeerRoutePriority(int asked, int own) { return asked < own ? asked : own; }
