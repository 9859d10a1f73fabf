// The systems this socket agent has paths to, per device: the cluster
// network is not trusted, so an inbound connection is taken only from an
// address that a configured path's remote alias resolves to, and a peer's
// PipeInitMsg must name the system of such a path. Filled by AddHost,
// emptied by DeleteHost; one thread (the agent's loop).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bStr.h"

// One path's peer: device path name, remote alias (the name connected to),
// remote system name (the name the peer gives itself).
void SockPeerAdd(const bStr& device, const bStr& alias, const bStr& system);
// Removes one entry equal to these three; nothing when there is none.
void SockPeerRemove(const bStr& device, const bStr& alias, const bStr& system);
// Whether any path remains on device.
bool SockPeerAnyOn(const bStr& device);
void SockPeerClear();

// The systems of the paths on device whose alias resolves to addr (IPv4,
// network byte order). Aliases are resolved as the agent resolves its own
// name, when added and again when an address matches none of them (at most
// once every few seconds, so a stranger's connects cannot keep the loop in
// the resolver).
std::vector<std::string> SockPeerSystemsAt(const bStr& device, std::uint32_t addr);
// The systems of the paths on device that connect to alias.
std::vector<std::string> SockPeerSystemsOf(const bStr& device, const bStr& alias);
// Whether name is one of systems (system names compare without regard to case).
bool SockPeerNamed(const std::vector<std::string>& systems, const bStr& name);
// "a.b.c.d:port" of an IPv4 address and port, both in network byte order.
std::string SockAddrText(std::uint32_t addr, std::uint16_t port);
