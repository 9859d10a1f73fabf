// Resource instances on one system: creation and its checks, the setters,
// the table line and its loads, the posted events and the start-up states.
// The real daemon stand-in and manager; the clients in child processes.
#include "AutoQdbLock.h"
#include "DbMgr.h"
#include "InstanceSeams.h"
#include "OneSystemFixture.h"
#include "ShmMgr.h"
#include "elist.h"
#include "hvresource.h"
#include "qdberr.h"
#include "qdbmes.h"
#include "DbIter.h"
#include "resource_type.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using qdbfixture::OneSystemTest;

std::string Shown(std::string s) {
    for (char& c : s) {
        if (c == '\x01') c = '|';
        if (c == '\x02') c = '^';
    }
    return s;
}

// "rc/code" plus "/unnamed" when the report does not hold text.
std::string Refused(int rc, const char* text = "") {
    const bool named = *text == '\0' || (Qdb_errbuf != nullptr && std::strstr(Qdb_errbuf, text) != nullptr);
    std::string s = std::to_string(rc) + "/" + std::to_string(Qdb_errno) + (named ? "" : "/unnamed");
    qdberrclr();
    return s;
}

DbMgr* Db(const char* name) {
    AUTO_QDB_LOCK(lk);
    lk.lock(-1);
    return ShmMgr::findDbMgr(name, 0);
}

hvresource* Local(const char* tag) { return hvresource::findres(Db(nullptr), tag, nullptr); }

// An instance of NODE2's copy made from the records NODE2's daemon sends.
void CopyInstance(const char* tag, const char* id) {
    std::string typ = std::string("aNODE2\x01") + "0\x01" "0\x01" "0\x01" "0\x01" "web\x01" "ip";
    resource_type::updateCache(typ.data());
    std::string rec = std::string("aNODE2\x01") + "0\x01" "0\x01" "0\x01" "0\x01" + tag + "\x01" + id + "\x01" "Iweb\x01" "ip\x01" "copied";
    hvresource::updateCache(rec.data());
}

std::time_t g_now = 1000000;
std::time_t TestClock() { return g_now; }

class Instances : public OneSystemTest {
protected:
    void BeforeDaemon() override {
        RootFile("config/systems", "NODE1\x01" "A\x01\nNODE2\x01" "D\x01\n");
        std::filesystem::create_directories(root_ + "/subsys/web/resources/disk");
        // A line that says ISP with a reservation: loaded as OSU, unreserved.
        RootFile("subsys/web/resources/ip/instances",
                 "ip0\x01" "10.0.0.9\x01" "I\x01" "old\x01" "p\x01" "was up\x01" "S\x01" "77\x01" "78\x01"
                 "fail\x02" "link\x02" "5\x02" "60\n"
                 "\x01" "no tag\x01" "I\x01\x01" "u\x01\x01" "0\x01" "0\x01" "0\x01\n");
    }
};

TEST_F(Instances, CreateChecksItsArgumentsInOrder) {
    const std::string note = Client([] {
        struct Case {
            int init;
            const char *app, *typ, *tag, *id, *info, *text;
        } cases[] = {
            {'0', "", "", "", "", nullptr, "can't set init state to ILLINIT"},
            {'I', "", "ip", "t", "i", nullptr, "application name argument illegal"},
            {'I', "web", "", "t", "i", nullptr, "resource type name argument illegal"},
            {'I', "web", "ip", "", "i", nullptr, "tag argument illegal"},
            {'I', "web", "ip", "t", "", nullptr, "identifier argument illegal"},
            {'I', "web", "ip", "a tag", "i", nullptr, "white space"},
            {'I', "web", "ip", "t", "i\x01" "d", nullptr, "ctrl characters"},
            {'I', "web", "ip", "t", "i", "two\nlines", "ctrl characters"},
            {'I', "web", "ip", "t", "i", "a\x02" "b", "ctrl characters"},
            {'I', "web", "nosuch", "t", "i", nullptr, "resource type \"nosuch\" for application \"web\""},
            {'I', "web", "ip", "ip0", "i", nullptr, "resource with tag \"ip0\" already exists with identifier \"10.0.0.9\""},
            {'I', "web", "ip", "t", "10.0.0.9", nullptr, "resource with identifier \"10.0.0.9\" already exists with tag \"ip0\""},
            {'s', "web", "disk", "d1", "/dev/sda", nullptr, ""},
        };
        std::string out;
        for (const Case& c : cases) out += Refused(ins_create(nullptr, c.app, c.typ, c.init, c.tag, c.id, c.info), c.text) + ",";
        // From another system's request the same checks hold.
        out += Refused(qdbsendremote(nullptr, "NODE1", 'E', 'a', "%s", "r\x01" "rid\x01" "I\x01" "web\x01" "ip\x01" "bad\x02" "info"),
                       "ctrl characters") + ",";
        AUTO_QDB_LOCK(lk);
        lk.lock(-1);
        hvresource* d = Local("d1");
        out += std::string(d->sys()) + "|" + d->app() + "|" + d->typ() + "|" + d->id() + "|[" + d->info() + "]|" +
               hvresource::convstate(d->get_state()) + "|" + hvresource::convinit(d->get_inittype()) + "|" +
               std::to_string(hvresource::listed(Db(nullptr)).size());
        return out;
    });
    EXPECT_EQ(note, "-1/5,-1/5,-1/5,-1/5,-1/5,-1/5,-1/5,-1/5,-1/5,-1/5,-1/4,-1/4,0/0,-1/5,NODE1|web|disk|/dev/sda|[]|OSU|INIT_OSU|2");
}

TEST_F(Instances, SettersRefuseACopyAndAnObjectNeverCreated) {
    const std::string note = Client([] {
        std::string out;
        CopyInstance("c1", "cid");
        {
            AUTO_QDB_LOCK(lk);
            lk.lock(-1);
            hvresource* c = hvresource::findres(Db("NODE2"), "c1", nullptr);
            out += Refused(c->set_id("x"), "is on remote machine. Use 'ins_setid()") + ",";
            out += Refused(c->set_info("x"), "Use 'ins_setinfo() function") + ",";
            out += Refused(c->set_inittype('A'), "Use 'ins_setinit() function") + ",";
            out += Refused(c->privset_state(nullptr, nullptr, 'i', ""), "Use 'ins_setstate()' function") + ",";
            hvresource* blank = new (*Db(nullptr)) hvresource();
            out += Refused(blank->set_id("x"), "must define object first with ::create()") + ",";
            out += Refused(blank->set_info("x"), "must define object first") + ",";
            out += Refused(blank->set_inittype('A'), "must define object first") + ",";
            out += Refused(blank->privset_state(nullptr, nullptr, 'i', ""), "must define object first") + ",";
            delete blank;
        }
        out += Refused(ins_create(nullptr, "web", "ip", 'I', "t2", "id2", ""));
        out += Refused(ins_setid(nullptr, "t2", "10.0.0.9"), "already is use by resource \"ip0\"") + ",";
        out += Refused(ins_setinfo(nullptr, "t2", "a\x01" "b"), "may not contain ^A character") + ",";
        out += Refused(ins_setinfo(nullptr, "t2", "a\nb"), "ctrl characters") + ",";
        out += Refused(ins_setinit(nullptr, "t2", '0'), "can't set resource init type to ILLINIT") + ",";
        out += Refused(ins_setstate(nullptr, "t2", '0', ""), "can't set resource state type to ILLSTATE") + ",";
        out += Refused(ins_setstate(nullptr, "t2", 'i', "bad\nreason"), "ctrl characters") + ",";
        out += Refused(ins_setstate(nullptr, "nosuch", 'i', ""), "no resource instance has tag \"nosuch\"") + ",";
        out += Refused(ins_setid(nullptr, "t2", "id3"));
        out += Refused(ins_setinfo(nullptr, "t2", "new info"));
        out += Refused(ins_setinit(nullptr, "t2", 'A')) + ",";
        AUTO_QDB_LOCK(lk);
        lk.lock(-1);
        hvresource* t = Local("t2");
        out += std::string(t->id()) + "|" + t->info() + "|" + hvresource::convinit(t->get_inittype());
        return out;
    });
    EXPECT_EQ(note, "-1/5,-1/5,-1/5,-1/5,-1/5,-1/5,-1/5,-1/5,0/0-1/5,-1/5,-1/5,-1/5,-1/5,-1/5,-1/7,0/00/00/0,id3|new info|AUTORES_ISP");
}

// Every byte as a state and as an init letter, through a local call and
// (every printable one) through another system's request: only the defined
// letters are taken; any other is the argument error and changes nothing.
TEST_F(Instances, OnlyTheDefinedStateAndInitLettersAreTaken) {
    const std::string note = Client([] {
        std::string out;
        const std::string states = "ufip", inits = "ETAIs";
        for (int c = 1; c < 256; ++c) {
            const char letter = static_cast<char>(c);
            const bool state = states.find(letter) != std::string::npos;
            const bool init = inits.find(letter) != std::string::npos;
            const std::string want = [](bool ok) { return ok ? std::string("0/0") : std::string("-1/5"); }(state);
            const std::string wantInit = init ? "0/0" : "-1/5";
            const std::string local = Refused(ins_setstate(nullptr, "ip0", c, "r"));
            // The request's fields are split at control bytes.
            const bool printable = c > 32 && c < 127;
            const std::string remote =
                printable ? Refused(qdbsendremote(nullptr, "NODE1", 'E', 'f', "s%c%s\x01%s", letter, "ip0", "r")) : want;
            const std::string localInit = Refused(ins_setinit(nullptr, "ip0", c));
            const std::string remoteInit =
                printable ? Refused(qdbsendremote(nullptr, "NODE1", 'E', 'f', "i%c%s", letter, "ip0")) : wantInit;
            if (local != want || remote != want || localInit != wantInit || remoteInit != wantInit)
                out += std::to_string(c) + ":" + local + "," + remote + "," + localInit + "," + remoteInit + " ";
            if (!state) {
                AUTO_QDB_LOCK(lk);
                lk.lock(-1);
                if (!IsInstanceState(Local("ip0")->get_state())) out += std::to_string(c) + ":stored ";
            }
        }
        out += Refused(ins_create(nullptr, "web", "ip", 'Z', "t9", "id9", "")) + ",";
        AUTO_QDB_LOCK(lk);
        lk.lock(-1);
        return out + (Local("t9") == nullptr ? "none" : "made");
    });
    EXPECT_EQ(note, "-1/5,none");
}

TEST(InstanceTexts, StatesAndInitTypes) {
    const struct {
        int code;
        const char *state, *init;
    } cases[] = {{'0', "ILLSTATE", "ILLINIT"}, {'u', "OSU", "UNKINIT"}, {'f', "OSF", "UNKINIT"}, {'i', "ISU", "UNKINIT"},
                 {'p', "ISP", "UNKINIT"},      {'E', "UNKSTATE", "SEC_ISP"}, {'T', "UNKSTATE", "AUTOSEC_ISP"},
                 {'A', "UNKSTATE", "AUTORES_ISP"}, {'I', "UNKSTATE", "INIT_ISP"}, {'s', "UNKSTATE", "INIT_OSU"},
                 {'x', "UNKSTATE", "UNKINIT"}};
    for (const auto& c : cases) {
        EXPECT_STREQ(hvresource::convstate(c.code), c.state) << static_cast<char>(c.code);
        EXPECT_STREQ(hvresource::convinit(c.code), c.init) << static_cast<char>(c.code);
    }
}

TEST_F(Instances, TheTableLineRoundTripsAndOnlyACacheLoadKeepsTheState) {
    const std::string note = Client([] {
        elist::setClock(TestClock);
        std::string out;
        out += Refused(ins_create(nullptr, "web", "ip", 'A', "ip1", "10.0.0.1", "eth0 24"));
        out += Refused(post_event("10.0.0.1", "fail", "link", 30) == 0 ? 0 : -1);
        g_now += 5;
        out += Refused(post_event("10.0.0.1", "fail", "ping", -1) == 0 ? 0 : -1);
        out += Refused(ins_setstate(nullptr, "ip1", 'i', "brought up")) + ",";
        AUTO_QDB_LOCK(lk);
        lk.lock(-1);
        std::string line;
        Local("ip1")->getrec(line);
        out += Shown(line);
        // The line of the start-up load: unreserved, its events kept, and
        // ISP by its init type from the daemon's start-up pass.
        std::string loaded;
        Local("ip0")->getrec(loaded);
        out += Shown(loaded);
        // The same line with its application and type loads into a copy
        // with its state, description and reservation...
        std::string full;
        Local("ip1")->getrec(full, true);
        std::string copyText = full;
        // (a reservation, as another system would show it)
        copyText.replace(copyText.find("\x01" "0\x01" "0\x01" "0\x01"), 7, "\x01" "M\x01" "42\x01" "43\x01");
        std::string typ = std::string("aNODE2\x01") + "0\x01" "0\x01" "0\x01" "0\x01" "web\x01" "ip";
        resource_type::updateCache(typ.data());
        out += Refused(hvresource::createmany(const_cast<char*>("NODE2"), nullptr, nullptr, nullptr, copyText.data(), 1));
        hvresource* c = hvresource::findres(Db("NODE2"), "ip1", nullptr);
        std::string copied;
        c->getrec(copied);
        out += "," + Shown(copied);
        // ... and into the local database as a start-up load: OSU.
        std::string again = line;
        again.replace(0, 3, "ip9");
        again.replace(again.find("10.0.0.1"), 8, "10.0.0.99");
        out += Refused(hvresource::createmany(nullptr, "web", "ip", nullptr, again.data(), 0));
        out += hvresource::convstate(Local("ip9")->get_state());
        out += std::string("[") + Local("ip9")->get_statedescr() + "]";
        return out;
    });
    // Written to the type's file as the start-up reads it.
    EXPECT_EQ(Client([] { return Refused(res_sync(nullptr)); }), "0/0");
    EXPECT_EQ(Shown(cfgtest::ReadFile(root_ + "/subsys/web/resources/ip/instances")),
              "ip0|10.0.0.9|I|old|p||0|0|0|fail^link^5^60\n"
              "ip1|10.0.0.1|A|eth0 24|i|brought up|0|0|0|fail^ping^1000005^600^fail^link^1000000^30\n"
              "ip9|10.0.0.99|A|eth0 24|u||0|0|0|fail^ping^1000005^600^fail^link^1000000^30\n");
    EXPECT_EQ(note,
              "0/00/00/00/0,"
              "ip1|10.0.0.1|A|eth0 24|i|brought up|0|0|0|fail^ping^1000005^600^fail^link^1000000^30\n"
              "ip0|10.0.0.9|I|old|p||0|0|0|fail^link^5^60\n"
              "0/0,ip1|10.0.0.1|A|eth0 24|i|brought up|M|42|43|fail^ping^1000005^600^fail^link^1000000^30\n"
              "0/0OSU[]");
}

TEST_F(Instances, AnEventWithinItsWindowIsIgnoredAndItsTimeKept) {
    const std::string note = Client([] {
        elist::setClock(TestClock);
        std::string out;
        out += Refused(ins_create(nullptr, "web", "ip", 'I', "ip1", "10.0.0.1", "")) + ",";
        auto post = [&](const char* type, int timeout) { out += std::to_string(post_event("10.0.0.1", "fail", type, timeout)); };
        post("link", 60);
        g_now += 59;
        post("link", 60);  // 59 s later: within
        post("ping", 60);  // another type
        g_now += 2;
        post("link", 10);  // 61 s after the first post: posted again, window 10
        g_now += 9;
        post("link", 10);  // within the new window
        out += "," + std::to_string(post_event("nosuch", "fail", "link", 1));
        out += Refused(post_event("10.0.0.1", nullptr, "x", 1), "event class must not be NULL");
        out += Refused(post_event("10.0.0.1", "x", nullptr, 1), "event type must not be NULL");
        out += Refused(post_event("10.0.0.1", "x", "a\x02" "b", 1), "ctrl characters") + ",";
        char buf[2000];
        g_now += 5;
        out += Refused(list_events(nullptr, "10.0.0.1", buf)) + "\n" + buf;
        out += Refused(list_events(nullptr, "nosuch", buf), "no resource instance has identifier") + ",";
        out += Refused(list_events(nullptr, "10.0.0.1", nullptr), "buffer pointer is NULL") + ",";
        out += Refused(clear_events("10.0.0.1"));
        out += Refused(list_events(nullptr, "10.0.0.1", buf)) + buf;
        return out;
    });
    // Post times as local time text: computed here in the same zone.
    auto when = [](std::time_t t) {
        char b[32];
        std::tm tmv {};
        ::localtime_r(&t, &tmv);
        std::strftime(b, sizeof b, "%a %b %d %H:%M:%S %Y", &tmv);
        return std::string(b);
    };
    EXPECT_EQ(note, "0/0,01001,2-1/5-1/5-1/5,0/0\n"
                    "resource tag=ip1 idnam=10.0.0.1 recovery events posted:\n"
                    "\tevent \"fail:ping\" at " + when(1000059) + " ignored for 44 secs.\n"
                    "\tevent \"fail:link\" at " + when(1000061) + ".\n"
                    "-1/7,-1/5,0/00/0resource tag=ip1 idnam=10.0.0.1 recovery events posted:\n");
}

TEST_F(Instances, TheInitTypeFollowsTheState) {
    const std::string note = Client([] {
        std::string out;
        out += Refused(ins_create(nullptr, "web", "ip", 'T', "sec", "s1", ""));
        out += Refused(ins_create(nullptr, "web", "ip", 'E', "sec2", "s2", "")) + ",";
        auto init = [](const char* tag) {
            AUTO_QDB_LOCK(lk);
            lk.lock(-1);
            return std::string(hvresource::convinit(Local(tag)->get_inittype()));
        };
        out += Refused(ins_setstate(nullptr, "sec", 'f', ""));
        out += init("sec") + ",";
        out += Refused(ins_setstate(nullptr, "sec", 'p', ""));
        out += init("sec") + ",";
        out += Refused(ins_setstate(nullptr, "sec", 'u', ""));
        out += init("sec") + ",";
        out += Refused(ins_setstate(nullptr, "sec2", 'i', "up"));
        out += init("sec2");
        return out;
    });
    EXPECT_EQ(note, "0/00/0,0/0SEC_ISP,0/0AUTOSEC_ISP,0/0SEC_ISP,0/0AUTOSEC_ISP");
}

std::vector<std::string>* g_actions = nullptr;

TEST_F(Instances, TheStartUpPassGivesFlatInstancesTheirStates) {
    const std::string note = Client([] {
        std::vector<std::string> actions;
        g_actions = &actions;
        cfgstore::InstanceSeams s{};
        s.perfaction = [](const char* tag, const char* action, const char* option) {
            g_actions->push_back(std::string(action) + " " + tag + " " + (option ? option : ""));
            return std::strcmp(tag, "auto1") == 0 ? 0 : hv_err(23, 0, QDB_INT, "restore failed");
        };
        cfgstore::SetInstanceSeams(s);
        const struct {
            const char* tag;
            int init;
        } made[] = {{"osu", 's'}, {"isp", 'I'}, {"auto1", 'A'}, {"auto2", 'T'}, {"sec", 'E'}};
        std::string out;
        for (const auto& m : made) out += Refused(ins_create(nullptr, "web", "ip", m.init, m.tag, m.tag, ""));
        out += Refused(ins_setstate(nullptr, "osu", 'p', "")) + ",";
        // The daemon's own pass ran at its start: this one runs again.
        hvresource::clear_a_mark('r', 0);
        out += Refused(hvresource::initallres()) + ",";
        AUTO_QDB_LOCK(lk);
        lk.lock(-1);
        for (hvresource* r : hvresource::listed(Db(nullptr)))
            out += std::string(r->tag()) + "=" + hvresource::convstate(r->get_state()) + " ";
        for (const std::string& a : actions) out += "," + a;
        return out;
    });
    EXPECT_EQ(note, "0/00/00/00/00/00/0,0/0,auto1=OSU auto2=OSU ip0=ISP isp=ISP osu=OSU sec=OSU ,restore auto1 -R,restore auto2 -R");
}

// A COMMON state copy from another system, as the daemon serves it: the
// requester is answered at once; an OSF instance refuses, an OSU one asked
// for OSF takes it.
TEST_F(Instances, ACommonStateCopyIsAnsweredAndAppliedByTheDaemon) {
    const std::string note = Client([] {
        std::string out;
        out += Refused(ins_create(nullptr, "web", "ip", 's', "c1", "cid1", ""));
        out += Refused(ins_create(nullptr, "web", "ip", 's', "c2", "cid2", ""));
        out += Refused(ins_setstate(nullptr, "c2", 'f', "broken")) + ",";
        out += Refused(qdbsendremote(nullptr, "NODE1", 'E', 'f', "%s", "Cfc1\x01" "peer failed\x01" "NODE2\x01" "p1"));
        out += Refused(qdbsendremote(nullptr, "NODE1", 'E', 'f', "%s", "Cic2\x01" "peer up\x01" "NODE2\x01" "p2"));
        out += Refused(qdbsendremote(nullptr, "NODE1", 'E', 'f', "%s", "Cinosuch\x01\x01" "NODE2\x01" "p3"),
                       "no resource instance has tag \"nosuch\"") + ",";
        AUTO_QDB_LOCK(lk);
        lk.lock(-1);
        for (const char* t : {"c1", "c2"})
            out += std::string(hvresource::convstate(Local(t)->get_state())) + "[" + Local(t)->get_statedescr() + "]";
        return out;
    });
    EXPECT_EQ(note, "0/00/00/0,0/00/0-1/7,OSF[peer failed]OSF[broken]");
}

// Creating instances until the segment is full: every refused creation
// leaves nothing behind, and what was made stays whole.
class FullSegment : public Instances {
protected:
    void BeforeDaemon() override {
        Instances::BeforeDaemon();
        Tunables("INITTIMEOUT=20\nSHMMAXSIZ=40000\n");
    }
};

TEST_F(FullSegment, ACreateWithoutRoomLeavesNothingHalfMade) {
    const std::string note = Client([] {
        int made = 0, code = 0;
        for (int i = 0; i < 2000; ++i) {
            const std::string tag = "tag_number_" + std::to_string(i);
            const std::string id = "identifier_number_" + std::to_string(i);
            if (ins_create(nullptr, "web", "ip", 'I', tag.c_str(), id.c_str(), "an info text of some length") != 0) {
                code = Qdb_errno;
                qdberrclr();
                break;
            }
            ++made;
        }
        AUTO_QDB_LOCK(lk);
        lk.lock(-1);
        DbMgr* db = Db(nullptr);
        int records = 0, whole = 0;
        DbIter it;
        it.iterInit(RESOURCE, db);
        for (void* e = it.current(); e != nullptr; e = it.next()) ++records;
        for (hvresource* r : hvresource::listed(db)) whole += r->created() && *r->tag() && *r->info() ? 1 : 0;
        // The load's instance ip0 has an info too.
        return std::to_string(made > 10) + "," + std::to_string(code) + "," +
               std::to_string(records == made + 1) + std::to_string(whole == records);
    });
    EXPECT_EQ(note, "1,3,11");
}

}  // namespace
