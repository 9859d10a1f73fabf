// qdbrecover: the recovery program under <root>/bin. The database starts it
// for post global scripts on another system (-G), the daemon stand-in for
// the recovery requests of other systems (-T, -X), sendevent when a system
// is lost (-M); -E runs the whole local handling of one failure event.
#include "flg.h"
#include "hvresource.h"
#include "qdberr.h"
#include "qdbkivra.h"
#include "qdbpaths.h"
#include "qdbrecover.h"
#include "QdbStartup.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char* const kUsage =
    "usage: qdbrecover -G <action> -- [argument...]\n"
    "       qdbrecover -M <system>\n"
    "       qdbrecover -E <class> <event> <identifier> [argument...]\n"
    "       qdbrecover -T <list> | -X <list>\n"
    "       qdbrecover -A restore|remove <tag> [arguments]\n"
    "\n"
    "  -G  runs this system's post global scripts of action (\"restore\" also\n"
    "      runs the post \"remove\" scripts first) with the arguments\n"
    "  -M  system has failed: restores the shared resources that ran there\n"
    "  -E  posts the failure event against the instance with identifier and\n"
    "      recovers it: its recovery scripts farthest first, else the transfer\n"
    "      of its shared resources to the systems that share them\n"
    "  -T  transfer request of another system: list is \"<system>\\x01<tag>...\";\n"
    "      brings the listed secondary shared resources into service\n"
    "  -X  remote remove request: takes the listed shared resources out\n"
    "  -A  the restore or remove action of tag's hierarchy (the daemon starts it\n"
    "      for a COMMON state copy)\n"
    "\n"
    "Environment: TEST_ROOT (root directory), TEST_UNAME (node name).\n"
    "Exit status: 0 done; 1 failed (the reason is on standard error); 2 bad\n"
    "command line.\n";

std::string Joined(int from, int argc, char** argv) {
    std::string out;
    for (int i = from; i < argc; ++i) out += (out.empty() ? "" : " ") + std::string(argv[i]);
    return out;
}

int Usage(const char* why) {
    std::fprintf(stderr, "qdbrecover: %s\n\n%s", why, kUsage);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage("an option is needed");
    if (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    pQdb_arg0 = argv[0];
    set_errinfo("qdbrecover", "QDB", 0, nullptr);
    setAppId(0);
    const std::string opt = argv[1];
    int rc = 0;
    if (opt == "-G") {
        if (argc < 3) return Usage("-G needs an action");
        int from = 3;
        if (from < argc && std::strcmp(argv[from], "--") == 0) ++from;
        const std::string args = Joined(from, argc, argv);
        qdbinit();
        // The post scripts here are due: they run once.
        const std::string flag = std::string("!") + argv[2];
        if (flg_create(nullptr, flag.c_str()) != 0) qdberrclr();
        rc = qdbglobact(1, argv[2], args.c_str());
    } else if (opt == "-M" && argc == 3) {
        qdbinit();
        rc = qdbrecover::local_mach_restore(argv[2]);
    } else if (opt == "-E" && argc >= 5) {
        qdbinit();
        const std::string args = Joined(5, argc, argv);
        if (post_event(argv[4], argv[2], argv[3], -1) < 0) qdberrcheck();
        rc = qdbrecover::local_start_recovery(argv[2], argv[3], argv[4], args.c_str());
    } else if ((opt == "-T" || opt == "-X") && argc == 3) {
        qdbinit();
        rc = opt == "-T" ? qdbrecover::remote_transfer(argv[2]) : qdbrecover::remote_remove(argv[2]);
    } else if (opt == "-A" && (argc == 4 || argc == 5) &&
               (std::strcmp(argv[2], "restore") == 0 || std::strcmp(argv[2], "remove") == 0)) {
        qdbinit();
        rc = qdbkivra::qdbperfaction(nullptr, nullptr, argv[3], argv[2], const_cast<char*>(argc == 5 ? argv[4] : ""),
                                     KIVRA_ALL, 0, 0);
    } else {
        return Usage("unknown option or wrong number of arguments");
    }
    qdberrcheck();
    std::printf("qdbrecover %s: result %d\n", opt.c_str(), rc);
    std::fflush(stdout);
    return rc == 0 ? 0 : 1;
}
