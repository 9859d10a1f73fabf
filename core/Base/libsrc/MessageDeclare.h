// A message class as one declaration: name, base and fields, each field with
// its type, member, s-expression key and accessors. The class body follows
// from it: the members, the constructors, the accessors, the field list that
// drives both encodings, the trace frames and the companions; the class's
// unit adds MXR_CLASS_DEFINE(X), which takes the code and the wire kind from
// ClassCodes.h and registers the class.
//
//   // a request whose answer carries only retVal: one declaration for both
//   MXR_REQUEST_WITH_RETVAL(PostOfficeCanTalkReqMsg, PostOfficeCanTalkRspMsg,
//                           (bStr, mBoxName, "mBoxName", Get(GetMBoxName)));
//   // a class none of whose fields travel
//   MXR_REQUEST(PostOfficeDisplayMailBoxLstReqMsg);
//   // an answer with more than retVal; fields copied from the request
//   MXR_RESPONSE(PostOfficeRcvFromMboxRspMsg, PostOfficeRcvFromMboxReqMsg,
//                (int, retVal, "retVal", Get(GetRetVal), Set(SetRetVal)),
//                (BaseMsgPtr, msgPtr, "msgPtr", Ref(GetMsgPtr), Set(SetMsgPtr)),
//                (bStr, mBoxName, "mBoxName", Get(GetMBoxName), FromRequest(GetMBoxName)));
//
// A field is (type, member, "key", options...): the key is written and read
// exactly as given (a trailing blank included); the options, any of
//   Get(Name)          type Name() const: a copy (a shared copy for strings
//                      and pointers)
//   Ref(Name)          type& Name(): the field itself, to read or change
//   Set(Name)          void Name(const type&)
//   FromRequest(Name)  a response's constructor copies req.Name() into it
//   Unsent             the field stays in its process: it is in neither form
//                      (a class that carries none of its fields marks them all)
// An enumeration field needs nothing more: its converter is the one that
// MXR_ENUM declared beside the enumeration (found by argument-dependent
// lookup). A pointer field (XPtr) decodes only X and classes derived from it.
//
// A message that never leaves its process (what a timer sends to its own
// receiver) is declared the same way; its row in ClassCodes.h says Local and
// its unit uses MXR_LOCAL_CLASS_DEFINE(X): no factory, so no peer can make one.
//
// The forms:
//   MXR_REQUEST(X, fields...)            base BaseReqMsg; X(), and
//                                        X(const BaseAddrPtr& to, fields...):
//                                        the from-address is the receiver being
//                                        dispatched, if any (BaseReqMsg())
//   MXR_RESPONSE(X, Req, fields...)      base BaseRspMsg; X(), and
//                                        explicit X(const Req& req): addressed to
//                                        req's from-address
//   MXR_REQUEST_WITH_RETVAL(Req, Rsp, fields...)
//                                        the request, and its answer whose one
//                                        field is retVal (GetRetVal, SetRetVal)
//   MXR_NOTICE(X, B, fields...)          base B (a message class); X(), and
//                                        X(const BaseAddrPtr& to, fields...)
//   MXR_MESSAGE(X, B, fields...)         base B; X(), and X(fields...) when it
//                                        has fields (the pipe control messages,
//                                        which carry no address argument)
// and, for a class with members of its own (more constructors, operations),
// the open forms MXR_REQUEST_BEGIN, MXR_RESPONSE_BEGIN, MXR_NOTICE_BEGIN and
// MXR_MESSAGE_BEGIN, which leave the class body open at public access for the
// class's own declarations until MXR_END(X).
//
// A class written out with MXR_CLASS (one with an enumeration of its own, or
// a record that is no message) declares its fields the same way with
// MXR_DECLARED_FIELDS(fields...) in its body.
//
// Everything generated is an ordinary named member function defined in the
// class body, each opening the trace frame of the class (MXR_METHOD_FRAME).
#pragma once

#include <tuple>

#include "BaseReqMsg.h"
#include "BaseRspMsg.h"
#include "ClassPattern.h"
#include "MxrPreprocessor.h"

// ---- one field ----------------------------------------------------------------

// The entry of the field list (FieldList.h); an enumeration's converter is
// found by argument-dependent lookup (MXR_ENUM's MxrEnumCvtOf).
template <class C, class T>
constexpr auto MxrMakeDeclaredField(const char* key, T C::*member) {
    if constexpr (std::is_enum_v<T>)
        return MxrMakeEnumField(key, member, +[] { return MxrEnumCvtOf(T{}); });
    else
        return MxrMakeField(key, member);
}

#define MXR_DECL_FIELD_DESC_(X, f) , MXR_DECL_FIELD_DESC_I_ f
#define MXR_DECL_FIELD_DESC_I_(T, m, key, ...) \
    MxrMakeDeclaredField((key), &MxrSelf::m) MXR_PP_EACH_OF_FEW(MXR_DECL_DESC_OPTION_, _, __VA_ARGS__)
// Only Unsent changes the entry of the field list.
#define MXR_DECL_DESC_OPTION_(ctx, opt) MXR_PP_CAT(MXR_DECL_DESC_, opt)
#define MXR_DECL_DESC_Get(name)
#define MXR_DECL_DESC_Ref(name)
#define MXR_DECL_DESC_Set(name)
#define MXR_DECL_DESC_FromRequest(name)
#define MXR_DECL_DESC_Unsent .Unsent()

#define MXR_DECL_MEMBER_(X, f) MXR_DECL_MEMBER_I_ f
#define MXR_DECL_MEMBER_I_(T, m, key, ...) T m{};

#define MXR_DECL_PARAM_(X, f) , MXR_DECL_PARAM_I_ f
#define MXR_DECL_PARAM_I_(T, m, key, ...) const T& m##_

#define MXR_DECL_ASSIGN_(X, f) MXR_DECL_ASSIGN_I_ f
#define MXR_DECL_ASSIGN_I_(T, m, key, ...) m = m##_;

#define MXR_DECL_PARAM_CNT_(X, f) +1

// The options of a field: each option token pasted to a prefix selects what
// it generates; the field's type and member come along as the context.
#define MXR_DECL_CALL_(f, ...) f(__VA_ARGS__)
#define MXR_DECL_UNPACK_(...) __VA_ARGS__
#define MXR_DECL_OPTION_(ctx, opt) MXR_DECL_OPTION_I_(ctx, MXR_PP_CAT(MXR_DECL_OPT_, opt))
#define MXR_DECL_OPTION_I_(ctx, sel) MXR_DECL_OPTION_II_(ctx, sel)
#define MXR_DECL_OPTION_II_(ctx, what, name) MXR_DECL_CALL_(what, name, MXR_DECL_UNPACK_ ctx)

// Accessors: (kind of member, name) per option.
#define MXR_DECL_OPT_Get(name) MXR_DECL_GETTER_, name
#define MXR_DECL_OPT_Ref(name) MXR_DECL_REF_, name
#define MXR_DECL_OPT_Set(name) MXR_DECL_SETTER_, name
#define MXR_DECL_OPT_FromRequest(name) MXR_DECL_NOTHING_, name
#define MXR_DECL_OPT_Unsent MXR_DECL_NOTHING_, _
#define MXR_DECL_GETTER_(name, T, m)           \
    T name() const {                           \
        MXR_METHOD_FRAME(#name, 0);            \
        return m;                              \
    }
#define MXR_DECL_REF_(name, T, m)              \
    T& name() {                                \
        MXR_METHOD_FRAME(#name, 0);            \
        return m;                              \
    }
#define MXR_DECL_SETTER_(name, T, m)           \
    void name(const T& value) {                \
        MXR_METHOD_FRAME(#name, 1);            \
        m = value;                             \
    }
#define MXR_DECL_NOTHING_(name, T, m)

#define MXR_DECL_ACCESSORS_(X, f) MXR_DECL_ACCESSORS_I_ f
#define MXR_DECL_ACCESSORS_I_(T, m, key, ...) MXR_PP_EACH_OF_FEW(MXR_DECL_OPTION_, (T, m), __VA_ARGS__)

// What a response's constructor copies from its request.
#define MXR_DECL_FROM_REQUEST_(X, f) MXR_DECL_FROM_REQUEST_I_ f
#define MXR_DECL_FROM_REQUEST_I_(T, m, key, ...) MXR_PP_EACH_OF_FEW(MXR_DECL_COPY_OPTION_, (T, m), __VA_ARGS__)
#define MXR_DECL_COPY_OPTION_(ctx, opt) MXR_DECL_COPY_OPTION_I_(ctx, MXR_PP_CAT(MXR_DECL_COPY_, opt))
#define MXR_DECL_COPY_OPTION_I_(ctx, sel) MXR_DECL_COPY_OPTION_II_(ctx, sel)
#define MXR_DECL_COPY_OPTION_II_(ctx, what, name) MXR_DECL_CALL_(what, name, MXR_DECL_UNPACK_ ctx)
#define MXR_DECL_COPY_Get(name) MXR_DECL_NOTHING_, name
#define MXR_DECL_COPY_Ref(name) MXR_DECL_NOTHING_, name
#define MXR_DECL_COPY_Set(name) MXR_DECL_NOTHING_, name
#define MXR_DECL_COPY_FromRequest(name) MXR_DECL_COPY_FIELD_, name
#define MXR_DECL_COPY_Unsent MXR_DECL_NOTHING_, _
#define MXR_DECL_COPY_FIELD_(name, T, m) m = req.name();

// ---- the class ------------------------------------------------------------------

template <class... Desc>
constexpr auto MxrDeclaredFieldTuple(int, Desc... desc) {
    return std::make_tuple(desc...);
}

// The declared fields inside any class body (after MXR_CLASS): the field
// list, the accessors (public) and the members (private); access is public
// after it. A class that declares an enumeration of its own declares it
// before this line.
#define MXR_DECLARED_FIELDS(...)                                                          \
public:                                                                                   \
    using MxrFieldOwner = MxrSelf;                                                        \
    static constexpr auto MxrFields() {                                                   \
        return MxrDeclaredFieldTuple(0 MXR_PP_FOR_EACH_JOIN(MXR_DECL_FIELD_DESC_, _, __VA_ARGS__)); \
    }                                                                                     \
    MXR_PP_FOR_EACH_JOIN(MXR_DECL_ACCESSORS_, _, __VA_ARGS__)                             \
                                                                                          \
private:                                                                                  \
    MXR_PP_FOR_EACH_JOIN(MXR_DECL_MEMBER_, _, __VA_ARGS__)                                \
                                                                                          \
public:                                                                                   \
    static_assert(true)

// Class head, default constructor, destructor and the declared fields.
#define MXR_DECL_HEAD_(kind, X, B, ...)                                                    \
    class X : public B {                                                                   \
        MXR_CLASS(X, B);                                                                   \
                                                                                           \
    public:                                                                                \
        /* Empty fields (the factory's instance). */                                       \
        X() { MXR_METHOD_FRAME(#X, 0); }                                                   \
        ~X() override { MXR_METHOD_FRAME("~" #X, 0); }                                     \
        MXR_DECLARED_FIELDS(__VA_ARGS__);

// From-address by BaseReqMsg() (or none for a notice), then the fields, then
// the to-address.
#define MXR_DECL_ADDRESSED_CTOR_(X, ...)                                                   \
    explicit X(const BaseAddrPtr& to MXR_PP_FOR_EACH_JOIN(MXR_DECL_PARAM_, X, __VA_ARGS__)) { \
        MXR_METHOD_FRAME(#X, 1 MXR_PP_FOR_EACH_JOIN(MXR_DECL_PARAM_CNT_, X, __VA_ARGS__)); \
        MXR_PP_FOR_EACH_JOIN(MXR_DECL_ASSIGN_, X, __VA_ARGS__)                             \
        SetToAddr(to);                                                                     \
    }

#define MXR_DECL_ANSWER_CTOR_(X, Req, ...)                                                 \
    explicit X(const Req& req) {                                                           \
        MXR_METHOD_FRAME(#X, 1);                                                           \
        SetToAddr(req.GetFrmAddr());                                                       \
        MXR_PP_FOR_EACH_JOIN(MXR_DECL_FROM_REQUEST_, X, __VA_ARGS__)                       \
    }

// X(fields...) for a class without an address argument (no such constructor
// when there are no fields: X() is it).
#define MXR_DECL_FIELDS_CTOR_(X, ...) __VA_OPT__(MXR_DECL_FIELDS_CTOR_I_(X, __VA_ARGS__))
#define MXR_DECL_FIELDS_CTOR_I_(X, ...)                                                    \
    explicit X(MXR_DECL_STRIP_FIRST_(MXR_PP_FOR_EACH_JOIN(MXR_DECL_PARAM_, X, __VA_ARGS__))) { \
        MXR_METHOD_FRAME(#X, 0 MXR_PP_FOR_EACH_JOIN(MXR_DECL_PARAM_CNT_, X, __VA_ARGS__)); \
        MXR_PP_FOR_EACH_JOIN(MXR_DECL_ASSIGN_, X, __VA_ARGS__)                             \
    }
#define MXR_DECL_STRIP_FIRST_(...) MXR_DECL_STRIP_FIRST_I_(__VA_ARGS__)
#define MXR_DECL_STRIP_FIRST_I_(first, ...) __VA_ARGS__

#define MXR_END(X) \
    }              \
    ;              \
    MXR_COMPANIONS(X)

#define MXR_MESSAGE_BEGIN(X, B, ...)                          \
    MXR_DECL_HEAD_(message, X, B __VA_OPT__(, ) __VA_ARGS__)  \
    MXR_DECL_FIELDS_CTOR_(X __VA_OPT__(, ) __VA_ARGS__)
#define MXR_MESSAGE(X, B, ...)                          \
    MXR_MESSAGE_BEGIN(X, B __VA_OPT__(, ) __VA_ARGS__) \
    MXR_END(X)

#define MXR_NOTICE_BEGIN(X, B, ...)                          \
    MXR_DECL_HEAD_(notice, X, B __VA_OPT__(, ) __VA_ARGS__)  \
    MXR_DECL_ADDRESSED_CTOR_(X __VA_OPT__(, ) __VA_ARGS__)
#define MXR_NOTICE(X, B, ...)                     \
    MXR_NOTICE_BEGIN(X, B __VA_OPT__(, ) __VA_ARGS__) \
    MXR_END(X)

#define MXR_REQUEST_BEGIN(X, ...) MXR_NOTICE_BEGIN(X, BaseReqMsg __VA_OPT__(, ) __VA_ARGS__)
#define MXR_REQUEST(X, ...) MXR_NOTICE(X, BaseReqMsg __VA_OPT__(, ) __VA_ARGS__)

#define MXR_RESPONSE_BEGIN(X, Req, ...)                              \
    MXR_DECL_HEAD_(response, X, BaseRspMsg __VA_OPT__(, ) __VA_ARGS__) \
    MXR_DECL_ANSWER_CTOR_(X, Req __VA_OPT__(, ) __VA_ARGS__)
#define MXR_RESPONSE(X, Req, ...)                        \
    MXR_RESPONSE_BEGIN(X, Req __VA_OPT__(, ) __VA_ARGS__) \
    MXR_END(X)

#define MXR_REQUEST_WITH_RETVAL(Req, Rsp, ...)     \
    MXR_REQUEST(Req __VA_OPT__(, ) __VA_ARGS__);   \
    MXR_RESPONSE(Rsp, Req, (int, retVal, "retVal", Get(GetRetVal), Set(SetRetVal)))
