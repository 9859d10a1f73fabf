// The action interface: brings resource instances into service ("restore"),
// out of service ("remove"), deletes them ("delete") or runs any other
// action of their resource type through the type's action scripts, keeping
// the states and reservations right around the scripts; global pre and post
// scripts run around restores and removes. Scripts run through the shell,
// waited for, never under the database lock.
#pragma once

#include <string>

// Scope of a restore: 1 only the named resource, 2 it and everything below
// it, any other value every hierarchy that holds it, whole.
using kivraop_e = int;
inline constexpr kivraop_e KIVRA_ALL = 0;
inline constexpr kivraop_e KIVRA_ONE = 1;
inline constexpr kivraop_e KIVRA_DOWN = 2;

// Most resources one restore collects.
inline constexpr int kRestoreMax = 5000;
// Room of a command text and of the other system's name.
inline constexpr std::size_t kActionTextMax = 2000;

extern "C" {
// qdbkivra::qdbperfaction(null, null, tag, action, argstring, op, reserved, globals).
int perfaction(char* tag, int reserved, char* action, char* argstring, kivraop_e op, int globals);
// As perfaction; the texts after action (ended by a null pointer) each
// become one argument of the script, " \"<text>\"".
int perform_action(char* tag, int reserved, int globals, kivraop_e op, char* action, ...);
// Global scripts of action: when 0 the pre scripts, 1 the post scripts.
int qdbglobact(int when, const char* action, const char* argument);
// The other system named in tag's info (up to the first 0x02) into buffer
// (kActionTextMax bytes). 0 or -1.
int find_other_system(char* tag, char* buffer);
// Option letters of programs built on the library.
extern const char* pPops;
// Handles one of them; the option's value is in optarg.
void qdbprocessops(int letter);
}

class hvresource;

class qdbkivra {
public:
    static int qdbperfaction(char* comsys, char* comtag, const char* tag, const char* action, char* argstring,
                             kivraop_e op, int reserved, int globals);
    static int qdbglobact(int when, const char* action, const char* argument);
    static int priv_globact(int when, const char* action, const char* argument);
    // 1 when the type-level script of action exists, else whether the
    // application-level one does; path holds the path last tried.
    static int exists(const hvresource* r, const char* action, std::string* path);
    // "<path> <argstring> -t '<tag>' -i '<id>'": an action script's command.
    static std::string action_command(const std::string& path, const char* argstring, const char* tag,
                                      const std::string& id);
    static int restore(const char* tag, char* comsys, char* comtag, const char* argstring, kivraop_e op,
                       int reserved);
    static int dorestore(const char* tag, char* comsys, char* comtag, const char* argstring, int reserved);
    static int remove(const char* tag, char* comsys, char* comtag, const char* argstring, int reserved);
    // " -s '<other system>'" for a shared disk's script (path holds "scsi"
    // and "device" or "disk") when the argument string names none; empty
    // otherwise. withPrimary also asks is_on_primary.
    static std::string other_system_option(const char* action, const std::string& path, const char* tag,
                                           const char* argstring, bool withPrimary, bool quoted);
};
