// The equivalencies' subcommands of hvconfig, over eqv_create, eqv_remove,
// eqv_list and eqv_sync.
#include "ConfigCommand.h"

#include "equivalency.h"

#include <cstdio>
#include <string>

namespace {

int TypeOf(const std::string& word) {
    if (word == "SHARED") return SHARED;
    if (word == "COMMON") return COMMON;
    if (word == "COMPOSITE") return COMPOSITE;
    return ILLEQV;
}

int Create(const ConfigArgs& a) {
    const int type = TypeOf(a.words[4]);
    if (type == ILLEQV) {
        std::fprintf(stderr, "hvconfig: eqv create: the type is SHARED, COMMON or COMPOSITE, not \"%s\"\n",
                     a.words[4].c_str());
        return kConfigUsage;
    }
    return ConfigChanged(a, "eqv create",
                         eqv_create(a.SystemOrNull(), a.words[0].c_str(), a.words[1].c_str(), a.words[2].c_str(),
                                    a.words[3].c_str(), type),
                         eqv_sync);
}

int Remove(const ConfigArgs& a) {
    return ConfigChanged(a, "eqv remove",
                         eqv_remove(a.SystemOrNull(), a.words[0].c_str(), a.words[1].c_str(), ILLEQV, nullptr, nullptr),
                         eqv_sync);
}

int List(const ConfigArgs& a) {
    const char* tag = a.words.empty() ? nullptr : a.words[0].c_str();
    return ConfigList("eqv list", eqv_list(a.SystemOrNull(), nullptr, tag, ILLEQV, ' '));
}

}  // namespace

std::vector<ConfigCommand> EquivalencyCommands() {
    return {
        {"eqv", "create", "SYS1 TAG1 SYS2 TAG2 SHARED|COMMON|COMPOSITE",
         "tie two instances (SHARED: the first pair is the primary)", 5, 5, Create},
        {"eqv", "remove", "SYSTEM TAG", "remove the equivalencies of an instance", 2, 2, Remove},
        {"eqv", "list", "[TAG]", "print \"SYS1 TAG1 SYS2 TAG2 TYPE\" (of TAG), one a line", 0, 1, List},
    };
}
