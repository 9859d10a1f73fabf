// Action scripts for tests of two systems that share resources: each
// appends "<system> <action> <arguments>" to one journal and keeps an owner
// marker per resource that both systems see. A restore fails while another
// system's owner process is alive (a killed one may linger as a zombie until
// reaped), else it leaves a keeper process as this system's claim; a remove
// ends the claim. "<shared>/fail.<system>.<action>" makes the script fail.
// And the states the tests read back.
#pragma once

#include "hvresource.h"

#include <initializer_list>
#include <string>

namespace ownertest {

inline std::string ActionScript(const std::string& shared, const std::string& me, const std::string& action) {
    std::string s = "#!/bin/sh\n"
                    "tag=''; for a in \"$@\"; do [ \"$prev\" = -t ] && tag=$a; prev=$a; done\n"
                    "f='" + shared + "/owner.'$tag\n";
    if (action == "restore") {
        s += "if [ -e \"$f\" ]; then read o p < \"$f\"; if [ \"$o\" != " + me +
             " ] && kill -0 \"$p\" 2>/dev/null && ! grep -q zombie /proc/$p/status 2>/dev/null; then echo \"" + me +
             " restore REFUSED $tag held by $o\" >> '" + shared + "/journal'; exit 1; fi; fi\n"
             "sleep 100000 </dev/null >/dev/null 2>&1 &\n"
             "echo \"" + me + " $!\" > \"$f\"\n";
    } else {
        s += "if [ -e \"$f\" ]; then read o p < \"$f\"; if [ \"$o\" = " + me + " ]; then kill \"$p\"; rm -f \"$f\"; fi; fi\n";
    }
    s += "echo \"" + me + " " + action + " $*\" >> '" + shared + "/journal'\n"
         "[ -e '" + shared + "/fail." + me + "." + action + "' ] && exit 1\n"
         "exit 0\n";
    return s;
}

// "<tag>=<state>/<init type>" of each local instance, joined by ','.
inline std::string StatesAndInits(std::initializer_list<const char*> tags) {
    std::string out;
    for (const char* t : tags) {
        hvresource* r = hvresource::findins(0, const_cast<char*>(t), nullptr, nullptr);
        out += std::string(out.empty() ? "" : ",") + t + "=" +
               (r ? std::string(hvresource::convstate(r->get_state())) + "/" + hvresource::convinit(r->get_inittype())
                  : "none");
    }
    return out;
}

}  // namespace ownertest
