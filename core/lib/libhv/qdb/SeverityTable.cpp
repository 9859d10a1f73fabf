#include "SeverityTable.h"

extern "C" const pxm_sevtab_t pxm_sevtab[] = {
    {1, 2, 0x0041},  {2, 2, 0x0241},  {3, 3, 0x0041},  {4, 3, 0x0241},  {5, 4, 0x0001},
    {6, 6, 0x0001},  {7, 7, 0x0001},  {8, 6, 0x0004},  {9, 6, 0x0061},  {18, 10, 0x0004},
    {19, 10, 0x0006}, {20, 10, 0x0062}, {21, 2, 0xC080}, {22, 2, 0xC280}, {23, 3, 0xC080},
    {24, 3, 0xC280}, {25, 4, 0xC080}, {26, 6, 0xC080}, {27, 3, 0x0101}, {0, 0, 0},
};

namespace cfgstore {

namespace {
constexpr pxm_sevtab_t kDefaultRow = {3, 3, 0x0001};
}

const pxm_sevtab_t& FindSeverity(const pxm_sevtab_t* table, int severity) {
    if (table == nullptr) table = pxm_sevtab;
    for (const pxm_sevtab_t* row = table; row->severity != 0; ++row)
        if (row->severity == severity) return *row;
    return kDefaultRow;
}

const char* LevelWord(int level) {
    switch (level) {
    case 2: return "*CRITICAL*";
    case 3: return "*ERROR*";
    case 4: return "*WARNING*";
    case 6: return "*INFO*";
    case 7: return "*DEBUG*";
    default: return "*MESSAGE*";
    }
}

std::uint32_t EventIdFor(int level, int facility) {
    if (level != 2 && level != 3 && level != 4 && level != 6 && level != 7) return 0x40010001u;
    if (facility != 1 && facility != 3 && facility != 5 && facility != 7) return 0x40020001u;
    const std::uint32_t f = static_cast<std::uint32_t>(facility) << 16;
    switch (level) {
    case 2:
    case 3: return 0xC0000003u | f;
    case 4: return 0x80000002u | f;
    case 6: return 0x40000001u | f;
    default:  // 7: the debug category, one above the facility; HVINIT shares 2
        return facility == 7 ? 0x40020001u : (0x40000001u | (f + 0x10000u));
    }
}

}  // namespace cfgstore
