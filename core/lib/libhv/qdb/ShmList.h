// A node of a sorted singly linked list in the segment. Nodes are kept in
// ascending key order (bytes compared unsigned); a new node goes after every
// node of an equal key. The list head is a ShmOff word held by the list's
// owner.
#pragma once

#include "QdbShmLayout.h"

#include <cstdint>

class DbMgr;

class ShmList {
public:
    qdbshm::ElemHeader h;  // LIST, owner
    ShmOff key;            // ShmStr, -1 when none
    ShmOff body;           // the object the node stands for
    ShmOff next;           // -1 at the end

    // A node for body with a copy of key, from db (null: the manager). Null
    // when there is no room.
    static ShmList* create(DbMgr* db, const char* key, ShmOff body);
    static ShmList* create(DbMgr* db, const char* key, const void* body);
    // Links this node into the list at *head in key order. 0, or -1 when the
    // list is corrupt (reported).
    int insert(ShmOff* head);
    // Unlinks and frees the first node whose key equals key. 0, or -1
    // ("ShmList::sever;key not found.") with the list unchanged.
    static int sever(ShmOff* head, const char* key);
    // Frees the key string and the node. 0, or -1 (reported, nothing
    // changed) when p is not a list node of the segment.
    static int destroy(ShmList* p);

    const char* keyText() const;
};
static_assert(sizeof(ShmList) == 20);
static_assert(offsetof(ShmList, key) == 8);
static_assert(offsetof(ShmList, next) == 16);
