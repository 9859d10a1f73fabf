// Loops of the preprocessor, for the declaration macros (EnumDefine.h,
// MessageDeclare.h). Up to 256 elements.
//   MXR_PP_FOR_EACH(m, ctx, a, b, c)       -> m(ctx, a), m(ctx, b), m(ctx, c)
//   MXR_PP_FOR_EACH_JOIN(m, ctx, a, b, c)  -> m(ctx, a) m(ctx, b) m(ctx, c)
//   MXR_PP_EACH_OF_FEW(m, ctx, a, b)       -> m(ctx, a) m(ctx, b), at most 4
//     elements and usable inside the body of a FOR_EACH's m.
#pragma once
#define MXR_PP_PARENS ()
#define MXR_PP_EXPAND(...) MXR_PP_EXPAND4(MXR_PP_EXPAND4(MXR_PP_EXPAND4(MXR_PP_EXPAND4(__VA_ARGS__))))
#define MXR_PP_EXPAND4(...) MXR_PP_EXPAND3(MXR_PP_EXPAND3(MXR_PP_EXPAND3(MXR_PP_EXPAND3(__VA_ARGS__))))
#define MXR_PP_EXPAND3(...) MXR_PP_EXPAND2(MXR_PP_EXPAND2(MXR_PP_EXPAND2(MXR_PP_EXPAND2(__VA_ARGS__))))
#define MXR_PP_EXPAND2(...) MXR_PP_EXPAND1(MXR_PP_EXPAND1(MXR_PP_EXPAND1(MXR_PP_EXPAND1(__VA_ARGS__))))
#define MXR_PP_EXPAND1(...) __VA_ARGS__
#define MXR_PP_FOR_EACH(macro, X, ...) __VA_OPT__(MXR_PP_EXPAND(MXR_PP_FOR_EACH_HELPER(macro, X, __VA_ARGS__)))
#define MXR_PP_FOR_EACH_HELPER(macro, X, a1, ...) \
    macro(X, a1) __VA_OPT__(, MXR_PP_FOR_EACH_AGAIN MXR_PP_PARENS(macro, X, __VA_ARGS__))
#define MXR_PP_FOR_EACH_AGAIN() MXR_PP_FOR_EACH_HELPER

#define MXR_PP_FOR_EACH_JOIN(macro, X, ...) __VA_OPT__(MXR_PP_EXPAND(MXR_PP_FOR_EACH_JOIN_HELPER(macro, X, __VA_ARGS__)))
#define MXR_PP_FOR_EACH_JOIN_HELPER(macro, X, a1, ...) \
    macro(X, a1) __VA_OPT__(MXR_PP_FOR_EACH_JOIN_AGAIN MXR_PP_PARENS(macro, X, __VA_ARGS__))
#define MXR_PP_FOR_EACH_JOIN_AGAIN() MXR_PP_FOR_EACH_JOIN_HELPER

#define MXR_PP_CAT(a, b) MXR_PP_CAT_I(a, b)
#define MXR_PP_CAT_I(a, b) a##b
#define MXR_PP_COUNT_FEW(...) MXR_PP_COUNT_FEW_I(__VA_ARGS__ __VA_OPT__(, ) 4, 3, 2, 1, 0)
#define MXR_PP_COUNT_FEW_I(a, b, c, d, n, ...) n
#define MXR_PP_EACH_OF_FEW(m, X, ...) MXR_PP_CAT(MXR_PP_EACH_OF_FEW_, MXR_PP_COUNT_FEW(__VA_ARGS__))(m, X __VA_OPT__(, ) __VA_ARGS__)
#define MXR_PP_EACH_OF_FEW_0(m, X)
#define MXR_PP_EACH_OF_FEW_1(m, X, a) m(X, a)
#define MXR_PP_EACH_OF_FEW_2(m, X, a, b) m(X, a) m(X, b)
#define MXR_PP_EACH_OF_FEW_3(m, X, a, b, c) m(X, a) m(X, b) m(X, c)
#define MXR_PP_EACH_OF_FEW_4(m, X, a, b, c, d) m(X, a) m(X, b) m(X, c) m(X, d)