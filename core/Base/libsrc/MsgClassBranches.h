// The branches of a receiver's handler, each taking the messages of one class
// (and of the classes derived from it), tried in a fixed order: the branch
// for a message is the first whose class the message is of.
//
// A type test depends on the message's class alone, so with tracing off the
// branch is found once per class and looked up after that. While tracing may
// be on, the classes are tried in turn through the message's pointer, so
// that the trace shows every type test as a chain of IsOfType calls would.
// One object per handler; not shared between threads.
#pragma once

#include <initializer_list>
#include <vector>

#include "BaseMsg.h"

class MsgClassBranches {
public:
    // The class codes of the branches, in the order they are tried.
    MsgClassBranches(std::initializer_list<int> codes);

    // The branch that takes msg: 0 .. count-1 in the order given, or -1 when
    // none does (or msg is null).
    int Find(const BaseMsgPtr& msg) {
        if (FuncInfo::MayTrace()) return TryInTurn(msg);
        BaseVirtItem* const m = static_cast<const BasePtr&>(msg).GetPtr();
        if (m == nullptr) return -1;
        const int id = m->GetTypeId();
        if (id >= 0 && static_cast<unsigned>(id) < known.size() && known[static_cast<unsigned>(id)] != 0)
            return known[static_cast<unsigned>(id)] - 2;
        return Learn(*m, id);
    }

    // The same, every class tried in turn.
    int TryInTurn(const BaseMsgPtr& msg) const;

private:
    // Finds the branch of the class id (the class of m) and remembers it.
    int Learn(const BaseVirtItem& m, int id);

    std::vector<int> codes;
    // By class code: 0 not known yet, else the branch + 2.
    std::vector<signed char> known;
};
