#include "IpAddressLib.h"

#include "IpText.h"
#include "RouteNetlink.h"
#include "platform/ErrnoWin32.h"
#include "platform/RegistryStore.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <map>
#include <net/if.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace ipslib {

namespace pf = portlib::platform;

namespace {

constexpr const char* kHookKey = "SYSTEM\\CurrentControlSet\\Services\\NetBT\\Parameters";
constexpr int kMaxLabelDeletes = 256;

std::string LastComponent(const std::string& path) {
    const std::size_t slash = path.rfind('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The kernel keeps a subnet's other addresses only when told to promote
// them. The setting's file stays open per adapter (reading it again is one
// call, opening it is a path walk through /proc), and is written only when
// the setting is off.
void PromoteSecondaries(const std::string& adapter) {
    static std::map<std::string, int> files;
    auto it = files.find(adapter);
    if (it == files.end() || it->second < 0) {
        const std::string path = "/proc/sys/net/ipv4/conf/" + adapter + "/promote_secondaries";
        const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0) return;
        it = files.insert_or_assign(adapter, fd).first;
    }
    char now = 0;
    if (::pread(it->second, &now, 1, 0) != 1) {
        // The interface went away since: open it afresh next time.
        ::close(it->second);
        it->second = -1;
        return;
    }
    if (now != '1') (void)!::pwrite(it->second, "1\n", 2, 0);
}

std::string HookCommand() {
    pf::RegKey key;
    if (pf::RegistryStore::OpenKey(pf::RegHive::LocalMachine, kHookKey, &key) != 0) return {};
    char buf[4096];
    std::uint32_t type = 0, size = sizeof buf;
    if (pf::RegistryStore::QueryValue(key, "AddressChangeCommand", &type, reinterpret_cast<unsigned char*>(buf),
                                      &size) != 0 ||
        type != pf::HV_REG_SZ)
        return {};
    return buf;
}

// Runs the hook program (no shell) with its three arguments: its exit code,
// or -1 when it could not run or ended by a signal.
int RunHook(const std::string& program, const char* adapter, const char* address, const char* mask) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    const char* argv[] = {program.c_str(), adapter, address, mask, nullptr};
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// One netlink socket serves every change this process makes (a switch is a
// removal and an add). It belongs to the network namespace of the thread
// that first asks; the library is used from one thread at a time.
RouteNetlink& ProcessNetlink() {
    static RouteNetlink netlink;
    return netlink;
}

bool IndexedEdit(const std::string& adapter, unsigned index, const std::string* address, const std::string* mask) {
    AdapterSettings s;
    if (!GetAdapterSettings(adapter, &s)) return false;
    if (index >= s.addresses.size() || index >= s.masks.size()) return false;
    if (address != nullptr) {
        s.addresses[index] = *address;
        s.masks[index] = *mask;
    } else {
        s.addresses.erase(s.addresses.begin() + index);
        s.masks.erase(s.masks.begin() + index);
    }
    return SetAdapterSettings(adapter, s) == 1;
}

}  // namespace

std::string ContextLabel(const std::string& adapter, unsigned context) {
    const std::string label = context == 0 ? adapter : adapter + ":" + std::to_string(context);
    return label.size() < IFNAMSIZ ? label : std::string();
}

int PrepareIpChange(const char* address, const char* mask, unsigned context, const char* adapter,
                    IpChange* change) {
    std::uint32_t netmask = 0;
    if (!ParseDottedQuad(address, &change->address)) {
        std::printf("SetIpAddress: %s is not an IPv4 address\n", address);
        return 0;
    }
    if (!ParseDottedQuad(mask, &netmask) || (change->prefix = MaskPrefix(netmask)) < 0) {
        std::printf("SetIpAddress: %s is not a contiguous subnet mask\n", mask);
        return 0;
    }
    change->label = ContextLabel(adapter, context);
    if (change->label.empty()) {
        std::printf("SetIpAddress: the label of context %u of %s is too long\n", context, adapter);
        return 0;
    }
    change->ifindex = ProcessNetlink().InterfaceIndex(adapter);
    if (change->ifindex == 0) {
        std::printf("SetIpAddress: Could not open %s, Error %d\n", adapter, pf::Win32FromErrno(errno));
        return 0;
    }
    change->adapter = adapter;
    return 1;
}

int SetIpAddress(const char* address, const char* mask, unsigned context, const char* adapter) {
    IpChange change;
    if (!PrepareIpChange(address, mask, context, adapter, &change)) return 0;
    RouteNetlink& netlink = ProcessNetlink();
    if (netlink.OpenError() != 0) {
        std::printf("SetIpAddress: Could not open %s, Error %d\n", adapter, pf::Win32FromErrno(netlink.OpenError()));
        return 0;
    }
    int rc = 0;
    if (change.address == 0) {
        PromoteSecondaries(change.adapter);
        rc = netlink.DeleteAllLabelled(change.ifindex, change.label, kMaxLabelDeletes);
    } else {
        rc = netlink.AddAddress(change.ifindex, change.address, change.prefix, change.label);
    }
    if (rc != 0) {
        std::printf("Error in ioctl access: %d\n", pf::Win32FromErrno(rc));
        return 0;
    }
    return 1;
}

std::string NbtDevicePath(const std::string& adapter) { return "\\Device\\NetBT_" + adapter; }

int SetNbtIpAddress(const char* address, const char* mask, const char* adapter) {
    const std::string program = HookCommand();
    if (!program.empty()) {
        const int rc = RunHook(program, adapter, address, mask);
        if (rc != 0) {
            std::printf("SetNbtIpAddress: %s for %s ended with %d\n", program.c_str(), adapter, rc);
            return 0;
        }
    }
    return InformBrowser(NbtDevicePath(adapter).c_str());
}

int InformBrowser(const char*) { return 1; }

int GetBoundAdapters(std::vector<std::string>* adapters) {
    std::vector<std::string> bind;
    if (!ReadMachineList(kBindKey, "Bind", &bind)) return 0;
    adapters->clear();
    for (const std::string& entry : bind) adapters->push_back(LastComponent(entry));
    return 1;
}

int GetFirstBoundAdapter(std::string* adapter) {
    std::vector<std::string> adapters;
    if (!GetBoundAdapters(&adapters) || adapters.empty()) return 0;
    *adapter = adapters.front();
    return 1;
}

int GetNbtDevice(std::string* path, std::string* name, unsigned n) {
    std::vector<std::string> exports;
    if (n == 0 || !ReadMachineList(kExportKey, "Export", &exports) || exports.size() < n) return 0;
    *path = exports[n - 1];
    *name = LastComponent(*path);
    return 1;
}

int FindIpAddress(const std::string& adapter, const std::string& address, unsigned* index, int* notFound) {
    AdapterSettings s;
    if (!GetAdapterSettings(adapter, &s)) return 0;
    for (std::size_t i = 0; i < s.addresses.size(); ++i) {
        if (s.addresses[i] == address) {
            *index = static_cast<unsigned>(i);
            *notFound = 0;
            return 1;
        }
    }
    *index = static_cast<unsigned>(s.addresses.size());
    *notFound = 1;
    return 1;
}

int FindAdapterByAddress(const std::string& address, std::string* adapter, unsigned* index) {
    std::vector<std::string> adapters;
    if (!GetBoundAdapters(&adapters)) return 0;
    const std::uint32_t wanted = InetAddr(address);
    for (const std::string& a : adapters) {
        AdapterSettings s;
        if (!GetAdapterSettings(a, &s)) continue;
        for (std::size_t i = 0; i < s.addresses.size(); ++i) {
            if (InetAddr(s.addresses[i]) == wanted) {
                *adapter = a;
                *index = static_cast<unsigned>(i);
                return 1;
            }
        }
    }
    return 0;
}

int AppendIpAddress(const std::string& adapter, const std::string& address, const std::string& mask) {
    AdapterSettings s;
    if (!GetAdapterSettings(adapter, &s)) return 0;
    s.addresses.push_back(address);
    s.masks.push_back(mask);
    return SetAdapterSettings(adapter, s);
}

int ReplaceIpAddress(const std::string& adapter, unsigned index, const std::string& address,
                     const std::string& mask) {
    return IndexedEdit(adapter, index, &address, &mask) ? 1 : 0;
}

int RemoveIpAddress(const std::string& adapter, unsigned index) {
    return IndexedEdit(adapter, index, nullptr, nullptr) ? 1 : 0;
}

}  // namespace ipslib
