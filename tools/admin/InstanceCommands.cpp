// The resource instances' subcommands of hvconfig, over ins_create,
// ins_remove, ins_list and res_sync, and the restore and remove actions of an
// instance (its hierarchy's scripts, through perfaction, here or run on
// another system by its database daemon).
#include "ConfigCommand.h"

#include "InstanceInterface.h"
#include "TableRecord.h"
#include "hvresource.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "qdbkivra.h"
#include "qdbmes.h"

#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

int Create(const ConfigArgs& a) {
    int init = AUTORES_ISP;
    if (a.words.size() > 4) {
        const std::string& w = a.words[4];
        if (w.size() != 1 || std::string("AETIs").find(w[0]) == std::string::npos) {
            std::fprintf(stderr, "hvconfig: ins create: the init type is A, E, T, I or s, not \"%s\"\n", w.c_str());
            return kConfigUsage;
        }
        init = w[0];
    }
    const char* info = a.words.size() > 5 ? a.words[5].c_str() : "";
    return ConfigChanged(a, "ins create",
                         ins_create(a.SystemOrNull(), a.words[0].c_str(), a.words[1].c_str(), init, a.words[2].c_str(),
                                    a.words[3].c_str(), info),
                         res_sync);
}

// Deletes the instance with everything below it that nothing else needs.
int Delete(const ConfigArgs& a) {
    char answer[16] = "";
    return ConfigChanged(a, "ins delete",
                         ins_remove(a.SystemOrNull(), nullptr, nullptr, nullptr, a.words[0].c_str(), nullptr, answer, 1,
                                    0),
                         res_sync);
}

// "TAG STATE INIT" of every instance (below TAG), from the records' fields
// (system app type tag id info STATE reason INIT ...).
int States(const ConfigArgs& a) {
    const char* start = a.words.empty() ? nullptr : a.words[0].c_str();
    char** list = ins_list(a.SystemOrNull(), start, nullptr, nullptr, nullptr, nullptr, '\x01');
    if (list == nullptr && *getpQdb_errno() == QDB_NOEXIST) qdberrclr();
    if (list != nullptr) {
        for (char** p = list; *p != nullptr; ++p) {
            std::vector<std::string> f(1);
            for (const char* c = *p; *c != '\0'; ++c) {
                if (*c == '\x01') f.emplace_back();
                else f.back() += *c;
            }
            if (f.size() > 8) std::printf("%s %s %s\n", f[3].c_str(), f[6].c_str(), f[8].c_str());
            qdbfreeit(*p);
        }
        qdbfreeit(list);
    }
    return ConfigResult("ins state", ConfigErrorPending() ? -1 : 0);
}

// A word for /bin/sh: in single quotes, each quote closed, escaped, reopened.
std::string ShellWord(const std::string& word) {
    std::string out = "'";
    for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// The action on another system: this program, run there by that system's
// database daemon (rem_exec), so that the scripts run where the instance is.
int RemoteAction(const ConfigArgs& a, const char* action) {
    const std::string& tag = a.words[0];
    for (unsigned char c : tag)
        if (c < 0x20 || c == 0x7f) {
            std::fprintf(stderr, "hvconfig: ins %s: the tag holds a control character\n", action);
            return kConfigUsage;
        }
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) {
        std::fprintf(stderr, "hvconfig: ins %s: cannot find this program's path\n", action);
        return kConfigRefused;
    }
    self[n] = '\0';
    const std::string command = ShellWord(self) + " ins " + action + " " + ShellWord(tag);
    std::vector<char> out(kQdbMesMax, '\0'), err(kQdbMesMax, '\0');
    const int rc = rem_exec(a.system.c_str(), command.c_str(), out.data(), err.data());
    std::fputs(out.data(), stdout);
    std::fputs(err.data(), stderr);
    if (rc == -1 && ConfigErrorPending()) return ConfigResult(a.command.c_str(), rc);
    if (rc != 0) {
        std::fprintf(stderr, "hvconfig: ins %s %s on %s ended with %d\n", action, tag.c_str(), a.system.c_str(), rc);
        return kConfigRefused;
    }
    return kConfigDone;
}

// The restore or remove action of an instance's hierarchy, here or (-d) on
// the system named.
template <const char* kAction>
int Action(const ConfigArgs& a) {
    // The local system named with -d is served here.
    if (!a.system.empty() && !cfgstore::IsLocalSystem(a.system.c_str())) return RemoteAction(a, kAction);
    std::string tag = a.words[0], action = kAction;
    char args[] = "";
    return ConfigResult(a.command.c_str(), perfaction(tag.data(), 0, action.data(), args, KIVRA_ALL, 0));
}

constexpr char kRestore[] = "restore";
constexpr char kRemove[] = "remove";

}  // namespace

std::vector<ConfigCommand> InstanceCommands() {
    return {
        {"ins", "create", "APP TYPE TAG ID [INIT [INFO]]", "define an instance (INIT A, E, T, I or s; default A)", 4,
         6, Create},
        {"ins", "delete", "TAG", "delete an instance with what only it needs", 1, 1, Delete},
        {"ins", "state", "[TAG]", "print \"TAG STATE INIT\" of every instance (below TAG)", 0, 1, States},
        {"ins", "restore", "TAG", "bring the instance's hierarchy in service (-d: on that system)", 1, 1, Action<kRestore>},
        {"ins", "remove", "TAG", "take the instance's hierarchy out of service (-d: on that system)", 1, 1, Action<kRemove>},
    };
}
