// The allocator, strings, lists and directory, on a private segment in plain
// memory (pShmPtr points at it for the test's life).
#include "DbIter.h"
#include "DbMgr.h"
#include "ShmList.h"
#include "ShmMgr.h"
#include "ShmStr.h"
#include "qdberr.h"
#include "qdbpaths.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

using namespace qdbshm;

namespace {

class PrivateSegment : public ::testing::Test {
protected:
    void Make(std::uint32_t size, const char* localName = "NODE1") {
        mem_.assign(size, 0);
        ASSERT_EQ(ShmMgr::initSegment(mem_.data(), size, localName), 0);
        pages_ = ShmPages(mem_.data());
    }
    void SetUp() override {
        oldName_ = pQdb_uname;
        pQdb_uname = const_cast<char*>("NODE1");
        qdberrclr();
    }
    void TearDown() override {
        pShmPtr = nullptr;
        pQdb_shgp = nullptr;
        pQdb_uname = oldName_;
        qdberrclr();
    }
    static std::string ChainText(std::int32_t* head) {
        char* buf = nullptr;
        std::size_t len = 0;
        std::FILE* f = ::open_memstream(&buf, &len);
        MemMgr(QdbPages(), head, 0).pgList(f);
        std::fclose(f);
        std::string s(buf, len);
        std::free(buf);
        return s;
    }
    DbMgr* Local() { return ShmMgr::findDbMgr(nullptr, 0); }
    std::string ErrText() const { return Qdb_errbuf ? Qdb_errbuf : ""; }

    std::vector<char> mem_;
    ShmPages pages_;
    char* oldName_ = nullptr;
};

TEST_F(PrivateSegment, NewSegmentPutsTheLocalDatabaseWhereExpected) {
    Make(1000000);
    EXPECT_EQ(pages_.pagesAllocated(), (1000000 - 60) / 512);  // 1953: every whole page after the header
    SegHeader* h = pages_.header();
    EXPECT_EQ(ChainText(&h->usedList), " 0-DBMGR 15-STRING\n");  // DbMgr on page 0, its name on 15
    EXPECT_EQ(h->freeList, 16);
    DbMgr* db = Local();
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(pages_.offOf(db), kSegHeaderSize + 16);  // first element of page 0
    EXPECT_STREQ(db->dbName(), "NODE1");
    EXPECT_TRUE(db->islocal());
    EXPECT_TRUE(db->tStamp.valid());
    EXPECT_EQ(ChainText(&db->pageChain), " 1,2,3,4,5,6,7,8,9,10,11,12,13,14-FREE\n");
    EXPECT_EQ(db->roots, kNullOff);
    EXPECT_EQ(pQdb_shgp, &h->shgp);
}

TEST_F(PrivateSegment, StringsTakeWholeElementsUpToOnePage) {
    Make(100000);
    struct Case {
        std::size_t lenWithNul;
        int units;  // 0: refused
    } cases[] = {{1, 1}, {16, 1}, {17, 2}, {44, 2}, {45, 3}, {464, 17}, {465, 0}, {497, 0}};
    for (const Case& c : cases) {
        std::string text(c.lenWithNul - 1, 'x');
        ShmOff off = kNullOff;
        ShmStr* s = ShmStr::create(Local()->mem(), text.c_str(), &off);
        if (c.units == 0) {
            EXPECT_EQ(s, nullptr) << c.lenWithNul;
            continue;
        }
        ASSERT_NE(s, nullptr) << c.lenWithNul;
        EXPECT_EQ(s->elmCnt, c.units) << c.lenWithNul;
        EXPECT_EQ(s->len, c.lenWithNul);
        ASSERT_EQ(ShmStrAt(off), s);
        EXPECT_EQ(s->str(), text);
    }
}

TEST_F(PrivateSegment, AFreedPageIsReusedForAnyTypeBeforeThePool) {
    Make(100000);
    DbMgr* db = DbMgr::create("OTHER", 0);
    ASSERT_NE(db, nullptr);
    EXPECT_FALSE(db->islocal());
    MemMgr mem = db->mem();
    ShmOff off = 0;
    void* e = mem.getFreeElem(20, LIST, &off);
    ASSERT_NE(e, nullptr);
    std::int32_t page = ShmPages::pgOff(off);
    std::int32_t poolHead = pages_.header()->freeList;
    ASSERT_EQ(mem.putFreeElem(e), page);
    EXPECT_EQ(pages_.pgPtr(page)->type, FREE);

    void* again = mem.getFreeElem(64, NETWORK, &off);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(ShmPages::pgOff(off), page);
    EXPECT_EQ(pages_.header()->freeList, poolHead);  // nothing new taken
    EXPECT_EQ(pages_.pgPtr(page)->objSiz, 64);
    EXPECT_EQ(mem.objCnt(NETWORK), 1);
    EXPECT_EQ(mem.objCnt(LIST), 0);
}

TEST_F(PrivateSegment, ListsKeepKeyOrderAndEqualKeysInInsertionOrder) {
    Make(100000);
    DbMgr* db = Local();
    ShmOff head = kNullOff;
    const char* keys[] = {"b", "a", "b"};
    for (int i = 0; i < 3; ++i) {
        ShmList* n = ShmList::create(db, keys[i], ShmOff{100 + i});
        ASSERT_NE(n, nullptr);
        ASSERT_EQ(n->insert(&head), 0);
    }
    auto order = [&] {
        std::vector<std::pair<std::string, int>> seen;
        for (ShmOff off = head; off >= 0;) {
            auto* n = pages_.at<ShmList>(off);
            seen.emplace_back(n->keyText(), n->body);
            off = n->next;
        }
        return seen;
    };
    std::vector<std::pair<std::string, int>> want = {{"a", 101}, {"b", 100}, {"b", 102}};
    EXPECT_EQ(order(), want);

    // A missing key is reported and changes nothing.
    EXPECT_EQ(ShmList::sever(&head, "c"), -1);
    EXPECT_NE(ErrText().find("ShmList::sever;key not found."), std::string::npos);
    EXPECT_EQ(order(), want);
    qdberrclr();

    // Severing frees the node and its key.
    std::int32_t before = db->mem().objCnt(LIST);
    ASSERT_EQ(ShmList::sever(&head, "b"), 0);
    EXPECT_EQ(order(), (std::vector<std::pair<std::string, int>>{{"a", 101}, {"b", 102}}));
    EXPECT_EQ(db->mem().objCnt(LIST), before - 1);
}

TEST_F(PrivateSegment, SharedAddressesIndexesAndTheLocalDatabaseBoundaries) {
    Make(100000);
    std::int32_t n = pages_.pagesAllocated();
    char* end = mem_.data() + kSegHeaderSize + kPageSize * n;
    EXPECT_TRUE(pages_.isShared(end - 1));
    EXPECT_FALSE(pages_.isShared(end));
    EXPECT_TRUE(pages_.isShared(mem_.data()));
    EXPECT_FALSE(pages_.isShared(mem_.data() - 1));

    MemMgr mem = Local()->mem();
    ASSERT_NE(mem.getFreeElem(20, LIST, nullptr), nullptr);
    ASSERT_NE(mem.getFreeElem(20, LIST, nullptr), nullptr);
    EXPECT_NE(mem.getitem(1, LIST), nullptr);
    EXPECT_EQ(mem.getitem(2, LIST), nullptr);
    EXPECT_NE(ErrText().find("index 2 past range 0-1 [LIST]"), std::string::npos);
    qdberrclr();
    EXPECT_EQ(mem.getitem(0, SYSTEM), nullptr);
    EXPECT_NE(ErrText().find("attempt to access empty base list [SYSTEM]"), std::string::npos);
    qdberrclr();

    ASSERT_NE(DbMgr::create("OTHER", 2), nullptr);
    EXPECT_EQ(ShmMgr::delDbMgr("NODE1"), 1);  // local: kept
    EXPECT_EQ(Local(), ShmMgr::findDbMgr("NODE1", 0));
    EXPECT_NE(Local(), nullptr);
    std::int32_t pool = pages_.header()->freeList;
    EXPECT_EQ(ShmMgr::delDbMgr("OTHER"), 1);
    EXPECT_EQ(ShmMgr::findDbMgr("OTHER", 0), nullptr);
    EXPECT_NE(pages_.header()->freeList, pool);  // its pages went back
    EXPECT_EQ(ShmMgr::delDbMgr("NONE"), 0);
}

TEST_F(PrivateSegment, IterationVisitsEveryElementOfTheTypeInChainOrder) {
    Make(100000);
    DbMgr* db = Local();
    MemMgr mem = db->mem();
    std::vector<void*> made;
    for (int i = 0; i < 30; ++i) made.push_back(mem.getFreeElem(64, NETWORK, nullptr));  // spans 4 pages
    ASSERT_NE(mem.getFreeElem(20, LIST, nullptr), nullptr);  // another type between
    mem.putFreeElem(made[3]);
    made.erase(made.begin() + 3);
    DbIter it;
    it.iterInit(NETWORK, db);
    std::vector<void*> seen;
    for (void* e = it.current(); e != nullptr; e = it.next()) seen.push_back(e);
    EXPECT_EQ(seen, made);
    qdbbase_set set(NETWORK, db);
    EXPECT_EQ(set.size(), 29);
    EXPECT_EQ(set.getitem(28), made.back());
}

// Bad frees of every kind are refused with their report and change nothing.
TEST_F(PrivateSegment, BadFreesAreRefusedAndChangeNothing) {
    Make(100000);
    MemMgr mem = Local()->mem();
    ShmOff off = 0;
    char* e = static_cast<char*>(mem.getFreeElem(20, LIST, &off));
    ShmStr* s = ShmStr::create(mem, std::string(40, 'q').c_str());
    ASSERT_NE(e, nullptr);
    ASSERT_NE(s, nullptr);
    std::vector<char> before(mem_);
    char outside = 0;
    struct Case {
        const char* what;
        std::function<int()> call;
        const char* text;
    } cases[] = {
        {"misaligned", [&] { return mem.putFreeElem(e + 4); }, "Attempt to free an invalid addr"},
        {"outside", [&] { return mem.putFreeElem(&outside); }, "Attempt to free an invalid addr"},
        {"free slot", [&] { return mem.putFreeElem(e + 20); }, "Attempt to free a free element"},
        {"run inner", [&] { return mem.putFreeSeqElems(reinterpret_cast<char*>(s) + 28 * 2); },
         "Attempt to free"},
        {"header", [&] { return mem.putFreeElem(mem_.data() + 8); }, "Attempt to free an invalid addr"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.call(), -1) << c.what;
        EXPECT_EQ(Qdb_errno, QDB_INT) << c.what;
        EXPECT_NE(ErrText().find(c.text), std::string::npos) << c.what << ": " << ErrText();
        EXPECT_EQ(mem_, before) << c.what;
        qdberrclr();
    }
    ASSERT_GE(mem.putFreeElem(e), 0);
    EXPECT_EQ(mem.putFreeElem(e), -1);  // twice
    EXPECT_NE(ErrText().find("Attempt to free a free element"), std::string::npos);
    qdberrclr();
    ASSERT_EQ(ShmStr::destroy(s), 0);
    EXPECT_EQ(mem.putFreeSeqElems(s), -1);
    EXPECT_NE(ErrText().find("Attempt to free a free seq elem"), std::string::npos);
}

TEST_F(PrivateSegment, ACorruptedChainEndsTheProcessInsteadOfHangingIt) {
    Make(100000);
    struct Case {
        const char* what;
        std::function<void(DbMgr*)> corrupt;
    } cases[] = {
        {"loop", [](DbMgr*) { QdbPages().pgPtr(3)->next = 1; }},
        {"wild page", [](DbMgr* db) { QdbPages().pgPtr(db->pageChain)->next = 99999; }},
    };
    for (const Case& c : cases) {
        EXPECT_EXIT(
            {
                set_errinfo("store", nullptr, 0, nullptr);
                c.corrupt(Local());
                Local()->mem().objCnt(LIST);
                std::_Exit(0);
            },
            ::testing::ExitedWithCode(QDB_INT), "Database corrupted-loop in page list")
            << c.what;
    }
}

// Random allocations and frees on three databases, checked against a model
// after every step: every page in exactly one chain or the pool, free counts
// that match the tags, the live elements exactly the model's.
TEST_F(PrivateSegment, RandomAllocationsKeepEveryInvariant) {
    Make(60 + 512 * 64);  // small, so that the pool runs dry now and then
    std::vector<DbMgr*> dbs = {Local(), DbMgr::create("B", 2), DbMgr::create("C", 0)};
    ASSERT_NE(dbs[1], nullptr);
    ASSERT_NE(dbs[2], nullptr);
    const std::pair<std::int32_t, std::int32_t> kinds[] = {{LIST, 20}, {SYSTEM, 40}, {NETWORK, 100}, {RESOURCE, 248}};
    struct Live {
        std::int32_t db;
        std::int32_t tag;
        std::int32_t units;  // elements (strings: the run)
    };
    std::map<ShmOff, Live> model;
    std::mt19937 rng(12345);
    auto check = [&](int step) {
        SegHeader* h = pages_.header();
        std::vector<int> seen(static_cast<std::size_t>(pages_.pagesAllocated()), 0);
        std::map<ShmOff, Live> found;
        auto walkChain = [&](std::int32_t first, std::int32_t dbIndex, bool pool) {
            for (std::int32_t n = first; n >= 0; n = pages_.pgPtr(n)->next) {
                ASSERT_TRUE(pages_.validPage(n));
                ASSERT_EQ(seen[static_cast<std::size_t>(n)]++, 0) << "page " << n << " twice, step " << step;
                PageHeader* p = pages_.pgPtr(n);
                if (pool || p->freeCnt < 0) {
                    ASSERT_EQ(p->type, FREE);
                    continue;
                }
                std::int32_t maxPerPg = kPageData / p->objSiz;
                std::int32_t used = 0;
                for (std::int32_t i = 0; i < maxPerPg;) {
                    auto* e = reinterpret_cast<ElemHeader*>(reinterpret_cast<char*>(p) + 16 + i * p->objSiz);
                    std::int32_t run = 1;
                    if (e->tag != FREE) {
                        if (e->tag == STRING) run = reinterpret_cast<ShmStr*>(e)->elmCnt;
                        found[pages_.offOf(e)] = Live{dbIndex, e->tag, run};
                        used += run;
                    }
                    i += run;
                }
                ASSERT_EQ(p->freeCnt, maxPerPg - used) << "page " << n << ", step " << step;
                ASSERT_EQ(p->type == FREE, used == 0) << "page " << n << ", step " << step;
            }
        };
        walkChain(h->freeList, -1, true);
        for (std::size_t d = 0; d < dbs.size(); ++d) walkChain(dbs[d]->pageChain, static_cast<std::int32_t>(d), false);
        walkChain(h->usedList, -2, false);
        for (std::size_t n = 0; n < seen.size(); ++n) ASSERT_EQ(seen[n], 1) << "page " << n << " lost, step " << step;
        for (auto& [off, live] : model) {
            auto it = found.find(off);
            ASSERT_NE(it, found.end()) << "element lost, step " << step;
            EXPECT_EQ(it->second.db, live.db);
            EXPECT_EQ(it->second.tag, live.tag);
            EXPECT_EQ(it->second.units, live.units);
        }
        // The manager's own elements (DbMgrs, names) are not in the model.
        std::size_t managerOwned = 0;
        for (auto& [off, live] : found) managerOwned += live.db == -2;
        ASSERT_EQ(found.size() - managerOwned, model.size()) << "step " << step;
    };
    std::vector<ShmOff> freed;
    for (int step = 0; step < 3000; ++step) {
        std::int32_t d = static_cast<std::int32_t>(rng() % dbs.size());
        MemMgr mem = dbs[static_cast<std::size_t>(d)]->mem();
        int op = static_cast<int>(rng() % 10);
        if (op < 4 || model.empty()) {
            auto [tag, size] = kinds[rng() % 4];
            ShmOff off = kNullOff;
            if (mem.getFreeElem(size, tag, &off) != nullptr) model[off] = Live{d, tag, 1};
        } else if (op < 6) {
            std::string text(rng() % 300, 's');
            ShmOff off = kNullOff;
            if (ShmStr* s = ShmStr::create(mem, text.c_str(), &off)) model[off] = Live{d, STRING, s->elmCnt};
        } else if (op < 9) {
            auto it = model.begin();
            std::advance(it, static_cast<long>(rng() % model.size()));
            MemMgr owner = dbs[static_cast<std::size_t>(it->second.db)]->mem();
            void* p = mem_.data() + it->first;
            int rc = it->second.tag == STRING ? owner.putFreeSeqElems(p) : owner.putFreeElem(p);
            ASSERT_GE(rc, 0);
            freed.push_back(it->first);
            model.erase(it);
        } else if (!freed.empty()) {
            // A stale pointer: refused unless the slot was taken again.
            ShmOff off = freed[rng() % freed.size()];
            if (model.count(off) == 0) {
                std::vector<char> before(mem_);
                EXPECT_EQ(mem.putFreeElem(mem_.data() + off), -1);
                EXPECT_EQ(mem_, before);
                qdberrclr();
            }
        }
        check(step);
        if (HasFatalFailure()) return;
    }
}

TEST_F(PrivateSegment, GoldenDumpOfASmallSegment) {
    Make(60 + 512 * 18, "GOLD");  // not the local node: no time in its stamp
    DbMgr* db = ShmMgr::findDbMgr("GOLD", 0);
    ASSERT_NE(db, nullptr);
    ShmList* n = ShmList::create(db, "alpha", ShmOff{0x1234});
    ASSERT_NE(n, nullptr);
    ASSERT_EQ(n->insert(&db->roots), 0);
    char* buf = nullptr;
    std::size_t len = 0;
    std::FILE* f = ::open_memstream(&buf, &len);
    ShmMgr::dbgDump(f);
    ShmMgr::dbgPage(f, 0);
    ShmMgr::dbgPage(f, 1);
    ShmMgr::dbgPage(f, 2);
    std::fclose(f);
    std::string dump(buf, len);
    std::free(buf);
    dump.erase(0, dump.find("shmid"));  // the base address differs in every run
    const char* golden =
        "shmid=0, shmkey=0\n"
        "size of shm segment: 9276\n"
        "globalLock: 0\n"
        "pagesAllocated: 18\n"
        "free list: 16,17-FREE\n"
        "used list: 0-DBMGR 15-STRING\n"
        "nextPage=15\n"
        "   stype=DBMGR\n"
        "  objSiz=32\n"
        " freeCnt=14\n"
        "maxPerPg=15\n"
        "Belongs To:  Shared Memory Manager\n"
        " 0. \tdbName=GOLD\tdest=cached\n"
        "    Pp: 1-LIST 2-STRING 3,4,5,6,7,8,9,10,11,12,13,14-FREE\n"
        "    roots=0x24c, tStamp=0.0==>none\n"
        " 1. Is unused.\n";
    EXPECT_EQ(dump.substr(0, std::strlen(golden)), golden);
    EXPECT_NE(dump.find("Belongs To:  GOLD\n 0. Key=alpha, Body=0x1234, Next=0xffffffff\n 1. Is unused.\n"),
              std::string::npos)
        << dump;
    EXPECT_NE(dump.find(" 0. elmCnt=1, len=  6, str=alpha\n 1. Is unused.\n"), std::string::npos) << dump;
}

}  // namespace
