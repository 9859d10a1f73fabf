// The IP address library of the address tools: changes an adapter's IPv4
// addresses while the system runs (by route netlink) and reads and rewrites
// the adapter settings in the registry (AdapterSettings.h). Every function
// returns 1 on success and 0 on failure; what it prints goes to the
// standard output. One thread at a time.
//
// An adapter's n-th address (its context n) is the address labelled with
// the adapter's name (n = 0) or "<adapter>:<n>". NetBIOS and the datagram
// receiver learn of a change of the first address through one hook: the
// program named by the REG_SZ value AddressChangeCommand of
// HKLM\SYSTEM\CurrentControlSet\Services\NetBT\Parameters, run with the
// adapter, the address and the mask as its arguments; without it the hook
// succeeds doing nothing.
#pragma once

#include "AdapterSettings.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ipslib {

// The label of an adapter's context; empty when longer than an interface
// label may be (15 bytes).
std::string ContextLabel(const std::string& adapter, unsigned context);

// A change checked and resolved: 1, or 0 after the message (a bad address,
// a mask with a hole, a label too long, an unknown adapter).
struct IpChange {
    std::uint32_t address = 0;  // network order
    int prefix = 0;
    std::string label;
    std::string adapter;
    unsigned ifindex = 0;
};
int PrepareIpChange(const char* address, const char* mask, unsigned context, const char* adapter,
                    IpChange* change);

// Address "0.0.0.0" takes the context's addresses off the interface (after
// setting its promote_secondaries, so that the subnet's other addresses
// stay); any other address replaces them. A bad address, a mask with a hole,
// an unknown adapter or a label too long fail before anything changes.
int SetIpAddress(const char* address, const char* mask, unsigned context, const char* adapter);

// The NetBIOS hook for the adapter's first address; on success, the result
// of InformBrowser for the adapter's NetBIOS device.
int SetNbtIpAddress(const char* address, const char* mask, const char* adapter);
// The datagram receiver's part, carried by the same hook: always 1.
int InformBrowser(const char* transportDevice);

// The NetBIOS device path of an adapter: "\Device\NetBT_<adapter>".
std::string NbtDevicePath(const std::string& adapter);

// Tcpip\Linkage's Bind (at most 1024 bytes): the last path component of
// each entry.
int GetBoundAdapters(std::vector<std::string>* adapters);
int GetFirstBoundAdapter(std::string* adapter);
// The n-th (from 1) entry of NetBT\Linkage's Export and its last component.
int GetNbtDevice(std::string* path, std::string* name, unsigned n);

// By text: found, the index and *notFound 0; else the count and *notFound 1.
int FindIpAddress(const std::string& adapter, const std::string& address, unsigned* index, int* notFound);
// By value (inet_addr) over the bound adapters in order.
int FindAdapterByAddress(const std::string& address, std::string* adapter, unsigned* index);

// Registry list edits; each fails when a list would not fit its 1024 bytes.
int AppendIpAddress(const std::string& adapter, const std::string& address, const std::string& mask);
int ReplaceIpAddress(const std::string& adapter, unsigned index, const std::string& address,
                     const std::string& mask);
int RemoveIpAddress(const std::string& adapter, unsigned index);

}  // namespace ipslib
