// The argument texts of the kit's server scripts. The administrator password
// never appears in them: the scripts read it from DBGUARD_PASSWORD, and ''
// holds its place so every later word keeps its position. Texts that come
// from the user or from another program (login, database, dependency tags,
// system names) go in as one word each: a plain word unchanged, anything
// else single-quoted, an embedded quote as '\''.
#pragma once

#include <string>
#include <vector>

namespace dbguard {

inline constexpr const char* kPasswordVariable = "DBGUARD_PASSWORD";
// The longest password handed to the scripts.
inline constexpr std::size_t kMaxPasswordBytes = 1024;

// The text unchanged when it is a plain word, else quoted for the runner's
// word splitting.
std::string ScriptWord(const std::string& text);

// " Y" when set, " N" when not.
const char* Flag(int set);

struct KitCreateWords {
    std::string primary, secondary, tag;
    const std::string* database = nullptr;  // active/active only
    std::string login;
    int restoreExecutive = 1, restoreDtc = 0, bringIntoService = 1;
    const std::vector<std::string>* dependencies = nullptr;  // null: none asked for
};

// aacreate's and ascreate's arguments.
std::string KitCreateArguments(const KitCreateWords& w);
// getsqldb's arguments: primary secondary login ''.
std::string DatabaseListArguments(const std::string& primary, const std::string& secondary, const std::string& login);

// Why a login or password cannot be handed to the scripts; "" when it can.
std::string CredentialProblem(const std::string& login, const std::string& password);

}  // namespace dbguard
