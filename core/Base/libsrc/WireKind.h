// What a class may be on the wire. Decided per class in the table of class
// codes (ClassCodes.h) and checked by every decoder before it constructs.
#pragma once

enum class MxrWireKind : int {
    // Owns a descriptor, a name, a table row or a place in a loop: never
    // built from a peer's bytes (no factory in the registry).
    Local = 0,
    // Travels inside messages (addresses, item trees, records).
    Value = 1,
    // May stand at the top of a pipe message.
    Message = 2,
    // Has a code for type tests only; never registered.
    Abstract = 3,
};

// Where a decoder is about to build an object.
enum class MxrDecodePlace : int {
    TopOfMessage = 0,  // the object a pipe message consists of
    Field = 1,         // a pointer field (or an element) inside another object
};

const char* MxrWireKindName(MxrWireKind kind);
