// The class registry: class code -> record, class name -> record, where a
// record holds the class's name, a reference to its ClassCode and its factory.
// Decoders make an empty object of the right class from it before reading its
// fields. Every concrete class registers itself from a namespace-scope static
// record in its own unit (MXR_CLASS_DEFINE), so registration is complete when
// the library (or program) that holds the class has loaded.
//
// Lookups may run on any thread, also while another library registers its
// classes: lookup by code is lock-free, lookup by name takes the registry lock.
#pragma once

class BaseVirtItem;

class RegisterClass {
public:
    using NewFunc = BaseVirtItem* (*)();

    // Stores the three fields and enters the record under the code that
    // classId holds (>= 0); a later record under the same code replaces it.
    RegisterClass(const char* name, int& classId, NewFunc newFunc);
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

    // The record under id, or null (no table, id out of range, unused code).
    static RegisterClass* GetRegisterClassEntryFrmId(int id);
    // The record whose class name equals name exactly, or null.
    static RegisterClass* GetRegisterClassEntryFromName(const char* name);

private:
    const char* className;
    int& classId;
    NewFunc newFunc;
};
