// panelaid's exports: the ordinal each had, and the plain symbol that stands
// for it (looked up with dlsym by whoever loads the library at run time).
#pragma once

namespace panelaid {

struct ExportEntry {
    int ordinal;
    const char* symbol;
};

inline constexpr ExportEntry kExports[] = {
    {100, "Advise"},
    {101, "InAdvise"},
    {102, "GetBackupMachine"},
    {103, "root_list"},
    {104, "test_holdervane"},
    {105, "PushStatusBarMessage"},
    {106, "PopStatusBarMessage"},
    {107, "StatusBarMessage"},
    {108, "CreateHierarchy"},
    {109, "start_stop_holdervane"},
    {110, "EnumHierarchy"},
    {111, "SaveWindowSettings"},
    {112, "RetrieveWindowSettings"},
    {113, "SaveZoomFactor"},
    {114, "RetrieveZoomFactor"},
    {115, "IsValidHVString"},
};

}  // namespace panelaid
