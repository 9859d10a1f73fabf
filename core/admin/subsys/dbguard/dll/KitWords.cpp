#include "KitWords.h"

#include "ShellWords.h"

namespace dbguard {

namespace {

bool PlainChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
           c == '.' || c == '@' || c == ':' || c == '$' || c == '#' || c == '+' || c == '=' || c == ',';
}

bool HasLineBreak(const std::string& s) { return s.find_first_of(std::string("\r\n\0", 3)) != std::string::npos; }

}  // namespace

std::string ScriptWord(const std::string& text) {
    bool plain = !text.empty();
    for (char c : text) plain = plain && PlainChar(c);
    return plain ? text : cfgstore::ShellSingleQuoted(text);
}

const char* Flag(int set) { return set != 0 ? " Y" : " N"; }

std::string KitCreateArguments(const KitCreateWords& w) {
    std::string a = ScriptWord(w.primary) + " " + ScriptWord(w.secondary) + " " + ScriptWord(w.tag) + " ";
    if (w.database != nullptr) a += ScriptWord(*w.database) + " ";
    a += ScriptWord(w.login) + " ''";
    a += Flag(w.restoreExecutive);
    a += Flag(w.restoreDtc);
    a += Flag(w.bringIntoService);
    if (w.dependencies != nullptr)
        for (const std::string& tag : *w.dependencies) a += " " + ScriptWord(tag);
    return a;
}

std::string DatabaseListArguments(const std::string& primary, const std::string& secondary, const std::string& login) {
    return ScriptWord(primary) + " " + ScriptWord(secondary) + " " + ScriptWord(login) + " ''";
}

std::string CredentialProblem(const std::string& login, const std::string& password) {
    if (HasLineBreak(login)) return "The System Admin. ID may not contain a line break.";
    if (HasLineBreak(password)) return "The System Admin. Password may not contain a line break.";
    if (password.size() > kMaxPasswordBytes)
        return "The System Admin. Password is longer than " + std::to_string(kMaxPasswordBytes) + " characters.";
    return "";
}

}  // namespace dbguard
