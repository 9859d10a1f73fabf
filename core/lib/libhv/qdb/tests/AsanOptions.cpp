// A refused allocation returns null in this suite, as it does without the
// sanitizer, so that the library's own handling of it can be shown.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
