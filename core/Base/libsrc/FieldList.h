// The field list of a class: one entry per field, in wire order, each with
// its fixed s-expression key. It drives all three encodings of the class's
// fields (binary _serialize, text GetIoItemFrom, reader SetFromIoItem), so
// they can never drift apart. Written once in the class body:
//
//   class TimerTag : public BaseVirtItem {
//       MXR_LOCAL_CLASS(TimerTag, BaseVirtItem);
//       MXR_FIELDS(MXR_FIELD("timerId", timerId),
//                  MXR_ENUM_FIELD("state", state, GetEnStateCvtPtr));
//       ...
//   };
//
// A class without fields of its own writes MXR_FIELDS(). The list holds the
// class's OWN fields only; the base's part comes first through the base's
// free functions (MxrVisitFields), whatever way the base wrote them.
#pragma once

#include <cstddef>
#include <tuple>
#include <type_traits>

// One entry: key, member pointer and, for an enumeration, the getter of its
// converter (BaseEnumCvtPtr (*)(), the class's Get<Enum>CvtPtr).
template <class C, class T, class Cvt = std::nullptr_t>
struct MxrFieldDesc {
    using Class = C;
    using Value = T;
    static constexpr bool isEnum = std::is_enum_v<T>;

    const char* key;
    T C::*member;
    Cvt enumCvt;  // nullptr unless isEnum
    // A field the class keeps to itself: in neither form (a record whose
    // fields stay in its process, say).
    bool travels = true;

    constexpr MxrFieldDesc Unsent() const {
        MxrFieldDesc kept = *this;
        kept.travels = false;
        return kept;
    }
};

template <class C, class T>
constexpr MxrFieldDesc<C, T> MxrMakeField(const char* key, T C::*member) {
    static_assert(!std::is_enum_v<T>, "an enumeration field needs its converter: use MXR_ENUM_FIELD");
    return {key, member, nullptr};
}

template <class C, class T, class R>
constexpr MxrFieldDesc<C, T, R (*)()> MxrMakeEnumField(const char* key, T C::*member, R (*cvt)()) {
    static_assert(std::is_enum_v<T>, "MXR_ENUM_FIELD is for enumeration fields");
    return {key, member, cvt};
}

#define MXR_FIELDS(...)                                             \
public:                                                             \
    using MxrFieldOwner = MxrSelf;                                  \
    static constexpr auto MxrFields() { return std::make_tuple(__VA_ARGS__); } \
    static_assert(true)

#define MXR_FIELD(key, member) MxrMakeField((key), &MxrSelf::member)
#define MXR_ENUM_FIELD(key, member, cvtGetter) MxrMakeEnumField((key), &MxrSelf::member, &MxrSelf::cvtGetter)

// Calls visit(desc, obj.*desc.member) for each own field of obj in list order
// that travels (a field marked Unsent is passed over).
// A non-zero result stops the walk and is returned; 0 when every field was
// visited. obj may be const (the values are then const too).
template <class Obj, class Visit>
[[gnu::always_inline]] inline int MxrForEachOwnField(Obj& obj, Visit&& visit) {
    using X = std::remove_const_t<Obj>;
    static_assert(std::is_same_v<typename X::MxrFieldOwner, X>,
                  "the class has no field list of its own: add MXR_FIELDS(...) (empty for none)");
    constexpr auto fields = X::MxrFields();
    return std::apply(
        [&](const auto&... desc) __attribute__((always_inline)) {
            static_assert((std::is_same_v<typename std::remove_cvref_t<decltype(desc)>::Class, X> && ...),
                          "a field list names only the class's own members");
            int rc = 0;
            static_cast<void>(((rc = desc.travels ? visit(desc, obj.*(desc.member)) : 0, rc == 0) && ...));
            return rc;
        },
        fields);
}

// Base first, then own fields: policy.Base(base part of obj) and then
// policy.Field(desc, value) for each own field; the first non-zero result
// stops the walk and is returned. Each encoding is one policy (ClassEncoding.h).
template <class Obj, class Policy>
[[gnu::always_inline]] inline int MxrVisitFields(Obj& obj, Policy&& policy) {
    using X = std::remove_const_t<Obj>;
    using Base = std::conditional_t<std::is_const_v<Obj>, const typename X::MxrBase, typename X::MxrBase>;
    if (int rc = policy.Base(static_cast<Base&>(obj))) return rc;
    return MxrForEachOwnField(obj, [&](const auto& desc, auto& value) __attribute__((always_inline)) {
        return policy.Field(desc, value);
    });
}
