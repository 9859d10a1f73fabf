// The standard class pattern, declaration side. A message class is declared
// in one line or one statement with MessageDeclare.h (MXR_REQUEST,
// MXR_RESPONSE, MXR_REQUEST_WITH_RETVAL, MXR_NOTICE, MXR_MESSAGE), which
// writes all of the below for it. Any other framework class X with direct
// base B (receivers, records, adapters) is declared as
//
//   #include "ClassPattern.h"
//   class X : public B {
//       MXR_CLASS(X, B);                       // or MXR_ABSTRACT_CLASS(X, B)
//       MXR_FIELDS(MXR_FIELD("key", field), ...);  // or MXR_DECLARED_FIELDS
//   public:
//       ...constructors, accessors, own virtual operations...
//   private:
//       int field;
//   };
//   MXR_COMPANIONS(X);                         // XPtr, XLst, XLstIter
//
// and defined in X.cpp with one line, MXR_CLASS_DEFINE(X) (ClassDefine.h),
// which takes X's code and wire kind from its row in ClassCodes.h.
//
// MXR_CLASS is for a class that may travel (a message or a value, as its row
// in ClassCodes.h says); MXR_LOCAL_CLASS for one that never does, and has no
// factory.
// MXR_CLASS declares: ClassCode; slots 1-6 (Serialize, GetIoItemFrom,
// SetFromIoItem as wrappers over the three free functions; GetTypeId,
// IsOfType, GetClassName); the three free functions _serialize(BasePktCtrl&, X&),
// GetIoItemFrom(const X&), SetFromIoItem(const IoItemPtr&, X&) as friends
// (found by argument-dependent lookup); the factory GetNewXClass; and the
// trace names (MxrNames) that X's members and companions use. It leaves the
// access at public.
// MXR_ABSTRACT_CLASS declares the same without slots 1-3 and the factory: an
// abstract class has a code for type tests, no factory and no registration;
// its objects are always of a concrete class, whose slots 1-3 are generated.
// Its free functions carry its part of the fields for the derived classes.
#pragma once

#include "BasePtr.h"
#include "BaseVirtItem.h"
#include "FieldList.h"
#include "FuncInfo.h"
#include "TypedAry.h"
#include "TypedLst.h"
#include "TypedLstIter.h"
#include "TypedPtr.h"

#define MXR_TYPE_MEMBERS_(X, B)                                     \
public:                                                             \
    using MxrSelf = X;                                              \
    using MxrBase = B;                                              \
    struct MxrNames {                                               \
        static constexpr const char* cls = #X;                      \
        static constexpr const char* src = #X ".c";                 \
        static constexpr const char* ptr = #X "Ptr";                \
        static constexpr const char* ptrDtor = "~" #X "Ptr";        \
        static constexpr const char* lst = #X "Lst";                \
        static constexpr const char* lstDtor = "~" #X "Lst";        \
        static constexpr const char* iter = #X "LstIter";           \
        static constexpr const char* iterDtor = "~" #X "LstIter";   \
        static constexpr const char* ary = #X "Ary";                \
        static constexpr const char* aryDtor = "~" #X "Ary";        \
    };                                                              \
    static int ClassCode;                                           \
    /* the type test without an object (the registry's decoders) */ \
    static int MxrIsClassOrBase(int id);                            \
    int GetTypeId() const override;                                 \
    int IsOfType(int id) const override;                            \
    const char* GetClassName() const override

// The three free functions, as friends found by argument-dependent lookup.
#define MXR_FREE_FUNCTIONS_(X)                                      \
    friend int _serialize(BasePktCtrl& c, X& v);                    \
    friend IoItemPtr GetIoItemFrom(const X& v);                     \
    friend int SetFromIoItem(const IoItemPtr& i, X& v)

// Slots 1-3: wrappers over the free functions.
#define MXR_ENCODING_SLOTS_(X)                                      \
    int Serialize(BasePktCtrl& c) override;                         \
    IoItemPtr GetIoItemFrom() const override;                       \
    int SetFromIoItem(const IoItemPtr& i) override

#define MXR_CLASS(X, B)                                             \
    MXR_TYPE_MEMBERS_(X, B);                                        \
    MXR_FREE_FUNCTIONS_(X);                                         \
    MXR_ENCODING_SLOTS_(X);                                         \
    static BaseVirtItem* GetNew##X##Class()

// A local-only class (receivers, adapters, endpoints, worlds, timers, state
// machines): everything but the factory, so no decoder can build one.
#define MXR_LOCAL_CLASS(X, B)                                       \
    MXR_TYPE_MEMBERS_(X, B);                                        \
    MXR_FREE_FUNCTIONS_(X);                                         \
    MXR_ENCODING_SLOTS_(X)

#define MXR_ABSTRACT_CLASS(X, B)                                    \
    MXR_TYPE_MEMBERS_(X, B);                                        \
    MXR_FREE_FUNCTIONS_(X)

// The typed companions, after the class (or in place of its header where a
// declaration is enough: MXR_FORWARD).
#define MXR_COMPANION_PTR(X) using X##Ptr = TypedPtr<X>
#define MXR_COMPANIONS(X)                                           \
    using X##Ptr = TypedPtr<X>;                                     \
    using X##Lst = TypedLst<X>;                                     \
    using X##LstIter = TypedLstIter<X>
#define MXR_COMPANION_ARY(X) using X##Ary = TypedAry<X>

#define MXR_FORWARD(X)                                              \
    class X;                                                        \
    MXR_COMPANIONS(X)
#define MXR_FORWARD_PTR(X)                                          \
    class X;                                                        \
    MXR_COMPANION_PTR(X)

// The root follows the pattern too.
MXR_COMPANIONS(BaseVirtItem);
MXR_COMPANION_ARY(BaseVirtItem);
