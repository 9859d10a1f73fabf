#include "RegisterClass.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#include "FuncInfo.h"
#include "MxrAssert.h"

#define REG_FRAME(func, parms) MXR_FRAME("RegisterClass", func, parms, "RegisterClass.c")

namespace {

// Constant-initialised: usable by the first static initializer of any unit.
// The table pointer is published after its slots are filled and before the
// size grows, so a lock-free reader that sees a size finds a table at least
// that long. Replaced tables are kept (never freed): a reader may still be
// looking at one.
constinit std::atomic<RegisterClass**> classListPtr{nullptr};
constinit std::atomic<int> classListSize{0};
constinit std::mutex registryLock;

struct RetiredTable {
    RegisterClass** table;
    RetiredTable* next;
};
constinit RetiredTable* retiredTables = nullptr;  // under registryLock

void RetireTable(RegisterClass** table) {
    if (table != nullptr) retiredTables = new RetiredTable{table, retiredTables};
}

// The name index: {name, code} pairs sorted by name. Rebuilt on the next
// lookup by name whenever the registry changed since it was built, so a class
// registered late (a library loaded after the first lookup) is still found.
struct Name2IdEnt {
    const char* name;
    int code;
};
constinit Name2IdEnt* name2Id = nullptr;  // under registryLock
constinit int name2IdSize = 0;
constinit unsigned registryGeneration = 1;  // under registryLock
constinit unsigned nameIndexGeneration = 0;

RegisterClass* LoadSlot(RegisterClass** table, int i) {
    return std::atomic_ref<RegisterClass*>(table[i]).load(std::memory_order_acquire);
}

const char* NameOf(const char* name) { return name != nullptr ? name : ""; }

void BuildNameIndex() {
    RegisterClass** table = classListPtr.load(std::memory_order_relaxed);
    int size = classListSize.load(std::memory_order_relaxed);
    int count = 0;
    for (int i = 0; i < size; ++i)
        if (LoadSlot(table, i) != nullptr) ++count;
    delete[] name2Id;
    name2Id = new (std::nothrow) Name2IdEnt[static_cast<size_t>(count > 0 ? count : 1)];
    MXR_ASSERT(name2Id != nullptr, "name2Id != 0", "RegisterClass");
    name2IdSize = count;
    int currIdx = 0;
    for (int i = 0; i < size && currIdx < count; ++i) {
        RegisterClass* rec = LoadSlot(table, i);
        if (rec != nullptr) name2Id[currIdx++] = Name2IdEnt{NameOf(rec->GetClassName()), i};
    }
    MXR_ASSERT(currIdx == name2IdSize, "currIdx == name2IdSize", "RegisterClass");
    std::sort(name2Id, name2Id + name2IdSize,
              [](const Name2IdEnt& a, const Name2IdEnt& b) { return std::strcmp(a.name, b.name) < 0; });
    nameIndexGeneration = registryGeneration;
}

// Two classes under one code would decode each other's bytes: stop at load,
// naming both, before anything is read from a peer.
[[noreturn]] void DuplicateCode(int code, const char* held, const char* newcomer) {
    std::fprintf(stderr, "RegisterClass: class code %d of \"%s\" is already held by \"%s\"\n", code, NameOf(newcomer),
                 NameOf(held));
    std::fflush(stderr);
    std::abort();
}

}  // namespace

const char* MxrWireKindName(MxrWireKind kind) {
    switch (kind) {
    case MxrWireKind::Local: return "Local";
    case MxrWireKind::Value: return "Value";
    case MxrWireKind::Message: return "Message";
    case MxrWireKind::Abstract: return "Abstract";
    }
    return "?";
}

RegisterClass::RegisterClass(const char* name, int& classId_, NewFunc newFunc_)
    : RegisterClass(name, classId_, newFunc_, MxrWireKind::Value, nullptr) {}

RegisterClass::RegisterClass(const char* name, int& classId_, NewFunc newFunc_, MxrWireKind kind_, TypeTest typeTest_)
    : className(name), classId(classId_), newFunc(newFunc_), kind(kind_), typeTest(typeTest_) {
    REG_FRAME("RegisterClass", 5);
    int c = classId;
    // A negative code would index before the table.
    MXR_ASSERT(c >= 0, "classId >= 0", "RegisterClass");
    std::lock_guard<std::mutex> guard(registryLock);
    RegisterClass** table = classListPtr.load(std::memory_order_relaxed);
    int size = classListSize.load(std::memory_order_relaxed);
    if (c >= size) {
        int newSize = (c + 64) / 64 * 64;
        RegisterClass** grown = new (std::nothrow) RegisterClass*[static_cast<size_t>(newSize)];
        MXR_ASSERT(grown != nullptr, "classListPtr != 0", "RegisterClass");
        for (int i = 0; i < newSize; ++i) grown[i] = i < size ? LoadSlot(table, i) : nullptr;
        classListPtr.store(grown, std::memory_order_release);
        classListSize.store(newSize, std::memory_order_release);
        RetireTable(table);
        table = grown;
    }
    RegisterClass* held = LoadSlot(table, c);
    if (held != nullptr && held != this && std::strcmp(NameOf(held->className), NameOf(className)) != 0)
        DuplicateCode(c, held->className, className);
    std::atomic_ref<RegisterClass*>(table[c]).store(this, std::memory_order_release);
    ++registryGeneration;
}

MxrWireKind RegisterClass::GetWireKind() const {
    REG_FRAME("GetWireKind", 0);
    return kind;
}

int RegisterClass::IsOfType(int declaredType) const {
    REG_FRAME("IsOfType", 1);
    if (typeTest != nullptr) return typeTest(declaredType) ? 1 : 0;
    return declaredType == classId ? 1 : 0;
}

int RegisterClass::IsDecodableAs(int declaredType, MxrDecodePlace place) const {
    REG_FRAME("IsDecodableAs", 2);
    if (newFunc == nullptr) return 0;
    switch (kind) {
    case MxrWireKind::Message: break;
    case MxrWireKind::Value:
        if (place == MxrDecodePlace::TopOfMessage) return 0;
        break;
    default: return 0;
    }
    return IsOfType(declaredType);
}

RegisterClass** RegisterClass::GetClassListPtr() {
    REG_FRAME("GetClassListPtr", 0);
    return classListPtr.load(std::memory_order_acquire);
}

void RegisterClass::SetClassListPtr(RegisterClass** table) {
    REG_FRAME("SetClassListPtr", 1);
    std::lock_guard<std::mutex> guard(registryLock);
    RegisterClass** old = classListPtr.load(std::memory_order_relaxed);
    // Kept, not freed: a lock-free reader may still be looking at it.
    if (old != table) RetireTable(old);
    classListPtr.store(table, std::memory_order_release);
    ++registryGeneration;
}

int RegisterClass::GetClassListSize() {
    REG_FRAME("GetClassListSize", 0);
    return classListSize.load(std::memory_order_acquire);
}

void RegisterClass::SetClassListSize(int size) {
    REG_FRAME("SetClassListSize", 1);
    std::lock_guard<std::mutex> guard(registryLock);
    classListSize.store(size, std::memory_order_release);
    ++registryGeneration;
}

const char* RegisterClass::GetClassName() const {
    REG_FRAME("GetClassName", 0);
    return className;
}

void RegisterClass::SetClassName(const char* name) {
    REG_FRAME("SetClassName", 1);
    std::lock_guard<std::mutex> guard(registryLock);
    className = name;
    ++registryGeneration;
}

int& RegisterClass::GetClassId() {
    REG_FRAME("GetClassId", 0);
    return classId;
}

void RegisterClass::SetClassId(int& id) {
    REG_FRAME("SetClassId", 1);
    classId = id;
}

RegisterClass::NewFunc RegisterClass::GetNewFuncPtr() const {
    REG_FRAME("GetNewFuncPtr", 0);
    return newFunc;
}

void RegisterClass::SetNewFuncPtr(NewFunc f) {
    REG_FRAME("SetNewFuncPtr", 1);
    newFunc = f;
}

RegisterClass* RegisterClass::GetRegisterClassEntryFrmId(int id) {
    REG_FRAME("GetRegisterClassEntryFrmId", 1);
    int size = classListSize.load(std::memory_order_acquire);
    RegisterClass** table = classListPtr.load(std::memory_order_acquire);
    if (table == nullptr || id < 0 || id >= size) return nullptr;
    return LoadSlot(table, id);
}

bool RegisterClass::Decodable(int declaredType, MxrDecodePlace place) const noexcept {
    if (newFunc == nullptr) return false;
    switch (kind) {
    case MxrWireKind::Message: break;
    case MxrWireKind::Value:
        if (place == MxrDecodePlace::TopOfMessage) return false;
        break;
    default: return false;
    }
    return typeTest != nullptr ? typeTest(declaredType) != 0 : declaredType == classId;
}

RegisterClass* RegisterClass::FindForDecoding(int id, int declaredType, MxrDecodePlace place,
                                              bool* decodable) noexcept {
    *decodable = false;
    int size = classListSize.load(std::memory_order_acquire);
    RegisterClass** table = classListPtr.load(std::memory_order_acquire);
    if (table == nullptr || id < 0 || id >= size) return nullptr;
    RegisterClass* rec = LoadSlot(table, id);
    if (rec != nullptr) *decodable = rec->Decodable(declaredType, place);
    return rec;
}

RegisterClass* RegisterClass::GetDecodableEntry(int id, int declaredType, MxrDecodePlace place) {
    REG_FRAME("GetDecodableEntry", 3);
    RegisterClass* rec = GetRegisterClassEntryFrmId(id);
    return rec != nullptr && rec->IsDecodableAs(declaredType, place) ? rec : nullptr;
}

RegisterClass* RegisterClass::GetDecodableEntryFromName(const char* name, int declaredType, MxrDecodePlace place) {
    REG_FRAME("GetDecodableEntryFromName", 3);
    RegisterClass* rec = GetRegisterClassEntryFromName(name);
    return rec != nullptr && rec->IsDecodableAs(declaredType, place) ? rec : nullptr;
}

RegisterClass* RegisterClass::GetRegisterClassEntryFromName(const char* name) {
    REG_FRAME("GetRegisterClassEntryFromName", 1);
    if (name == nullptr) return nullptr;
    std::lock_guard<std::mutex> guard(registryLock);
    RegisterClass** table = classListPtr.load(std::memory_order_relaxed);
    if (table == nullptr) return nullptr;
    if (nameIndexGeneration != registryGeneration) BuildNameIndex();
    int low = 0;
    int high = name2IdSize - 1;
    while (low <= high) {
        int mid = (low + high) / 2;
        int cmp = std::strcmp(name, name2Id[mid].name);
        if (cmp == 0) return LoadSlot(table, name2Id[mid].code);
        if (cmp > 0)
            low = mid + 1;
        else
            high = mid - 1;
    }
    return nullptr;
}
