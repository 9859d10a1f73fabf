// The class registry: class code -> record, class name -> record, where a
// record holds the class's name, a reference to its ClassCode and its factory.
// Decoders make an empty object of the right class from it before reading its
// fields. Every concrete class registers itself from a namespace-scope static
// record in its own unit (MXR_CLASS_DEFINE), so registration is complete when
// the library (or program) that holds the class has loaded.
//
// Every record states its class's wire kind. Only what a peer may send has a
// factory in the registry: a local-only class (receivers, adapters, endpoints,
// worlds, timers) is registered by name and code for lookups and type tests,
// never for building from bytes. Decoders ask GetDecodableEntry, which checks
// the kind and the class's ancestry before anything is constructed.
//
// Lookups may run on any thread, also while another library registers its
// classes: lookup by code is lock-free, lookup by name takes the registry lock.
#pragma once

#include "WireKind.h"

class BaseVirtItem;

class RegisterClass {
public:
    using NewFunc = BaseVirtItem* (*)();
    // The class's type test without an object: 1 when id is the class's code
    // or an ancestor's.
    using TypeTest = int (*)(int id);

    // Stores the fields and enters the record under the code that classId
    // holds (>= 0). A code already held under another name stops the process,
    // naming both classes; the same name again replaces the record. The
    // three-argument form is a value class whose type test knows only its own
    // code.
    RegisterClass(const char* name, int& classId, NewFunc newFunc);
    RegisterClass(const char* name, int& classId, NewFunc newFunc, MxrWireKind kind, TypeTest typeTest);
    RegisterClass(const RegisterClass&) = delete;
    RegisterClass& operator=(const RegisterClass&) = delete;

    // The code table, indexed by class code; empty slots are null. Its size is
    // a multiple of 64 above the largest code registered.
    static RegisterClass** GetClassListPtr();
    static void SetClassListPtr(RegisterClass** table);
    static int GetClassListSize();
    static void SetClassListSize(int size);

    const char* GetClassName() const;
    void SetClassName(const char* name);
    // The class's ClassCode variable itself.
    int& GetClassId();
    // Copies id's value into the class's ClassCode; the table slot stays.
    void SetClassId(int& id);
    NewFunc GetNewFuncPtr() const;
    void SetNewFuncPtr(NewFunc f);

    MxrWireKind GetWireKind() const;
    // 1 when the class is the class declaredType or derives from it.
    int IsOfType(int declaredType) const;
    // 1 when a decoder may build this class from a peer's bytes where an
    // object of class declaredType is expected: it has a factory, is not
    // local-only and derives from declaredType. At the top of a message only
    // message classes qualify.
    int IsDecodableAs(int declaredType, MxrDecodePlace place) const;

    // The record under id, or null (no table, id out of range, unused code).
    static RegisterClass* GetRegisterClassEntryFrmId(int id);
    // The record under id when IsDecodableAs(declaredType, place), else null.
    static RegisterClass* GetDecodableEntry(int id, int declaredType, MxrDecodePlace place);
    // The decoders' lookup while tracing is off, without trace frames: the
    // record under id (null when none) and, in *decodable, whether
    // IsDecodableAs(declaredType, place) holds for it.
    static RegisterClass* FindForDecoding(int id, int declaredType, MxrDecodePlace place, bool* decodable) noexcept;
    // GetNewFuncPtr without a trace frame.
    NewFunc Factory() const noexcept { return newFunc; }
    // The same, looked up by name (the s-expression reader).
    static RegisterClass* GetDecodableEntryFromName(const char* name, int declaredType, MxrDecodePlace place);
    // The record whose class name equals name exactly, or null.
    static RegisterClass* GetRegisterClassEntryFromName(const char* name);

private:
    // IsDecodableAs without trace frames.
    bool Decodable(int declaredType, MxrDecodePlace place) const noexcept;

    const char* className;
    int& classId;
    NewFunc newFunc;
    MxrWireKind kind;
    TypeTest typeTest;
};
