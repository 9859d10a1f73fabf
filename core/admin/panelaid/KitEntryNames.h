// The symbols a recovery kit library exports, one for each ordinal it had.
// Kits are built with -fno-gnu-unique so that dlclose really unloads them.
#pragma once

struct RecoveryKitControlBlock;

namespace panelaid {

// Ordinal 100: four bytes of data; byte 1 holds the offered operations.
inline constexpr const char* kKitCapabilitySymbol = "hvkit_capability";
// Ordinal 108: int (RecoveryKitControlBlock*), runs the create pages.
inline constexpr const char* kKitCreateSymbol = "hvkit_create_hierarchy";
// Ordinal 109: int (RecoveryKitControlBlock*), lets the user pick a resource.
inline constexpr const char* kKitEnumerateSymbol = "hvkit_enum_hierarchy";
// Ordinal 116: an entry that returns 0; never called by the loader.
inline constexpr const char* kKitReservedSymbol = "hvkit_reserved";

inline constexpr unsigned char kKitOffersCreate = 1;
inline constexpr unsigned char kKitOffersEnumerate = 2;

using KitEntry = int (*)(RecoveryKitControlBlock*);

}  // namespace panelaid
