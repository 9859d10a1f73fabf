// A view over the instances of one database in a fixed walk order:
//   start none: every instance of the instance list in list order, each
//               followed depth first by those below it, every one once;
//   start " ":  the instance list in list order, nothing below;
//   start tag:  that instance, then depth first everything below it, once.
// The walk is computed when first indexed and kept by the object, so
// walks of different objects (and threads) never disturb each other.
#pragma once

#include <vector>

class DbMgr;
class hvresource;

class resource_set {
public:
    explicit resource_set(DbMgr* db) : db_(db) {}
    // Null or "": no change, 0. " ": the instance list. A tag: that
    // instance (a miss is reported, -1, and the start stays).
    int set_start(const char* tag);
    int size();
    // The i-th instance of the walk from 0; out of range: null with code 6
    // (872 for an empty walk, 873 past the end).
    hvresource* operator[](int i);

private:
    void walk();

    DbMgr* db_;
    enum class Start { All, List, One } start_ = Start::All;
    hvresource* one_ = nullptr;
    bool walked_ = false;
    std::vector<hvresource*> order_;
};
