#include "HelpTable.h"

#include <initializer_list>

namespace hierman {

namespace {

struct HelpRow {
    int id;
    int context;
};

// In lookup order: the first row with an id wins (0x90 stands first with
// 5015 and again further down with 501).
constexpr HelpRow kHelpRows[] = {
    {0x40002, 501},   {0x40002, 501},   {0x40008, 501},   {0x40009, 501},   {0x40004, 0},     {0x40006, 0},
    {0x40007, 0},     {0x4000A, 0},     {0x4000B, 0},     {0x4000C, 0},     {0x4000F, 0},     {0x4000D, 0},
    {0x4000E, 0},     {0x40010, 0},     {0x40011, 0},     {0x40012, 0},     {0x1EF00, 0},     {0x1EF01, 0},
    {0x1EF02, 0},     {0x1EF03, 0},     {0x1EF06, 0},     {0x1EF12, 0},     {0x1EF13, 0},     {0x1E131, 5017},
    {0x1E132, 5017},  {0x1E133, 5017},  {0x1E134, 5017},  {0x1EF1F, 5017},  {0x1E140, 5019},  {0x1E142, 5019},
    {0x1E144, 5019},  {0x1E800, 5018},  {0x1E801, 5018},  {0x5E800, 5015},  {0x5E801, 501},   {0x20080, 501},
    {0x20081, 501},   {0x90, 5015},     {0x18004, 5001},  {0x18003, 5001},  {0x18005, 5001},  {0x18006, 5001},
    {0x18007, 5001},  {0x18008, 5001},  {0x1800D, 5001},  {0x18009, 5001},  {0x1800E, 5012},  {0x1800F, 5012},
    {0x18018, 5012},  {0x18013, 5014},  {0x18014, 5014},  {0x1800B, 5014},  {0x1800C, 5014},  {0x90, 501},
    {0x91, 501},      {0x82, 501},      {0x83, 501},      {0x84, 501},      {0x8C, 501},      {0x8D, 501},
    {0x8E, 501},      {0x87, 501},      {0x88, 501},      {0x89, 501},      {0x93, 501},      {0x94, 501},
    {0x95, 501},      {0x9D, 501},      {0x9E, 501},      {0x9F, 501},      {0x98, 501},      {0x99, 501},
    {0x9A, 501},      {0xA1, 501},      {0xA2, 501},      {0xA3, 501},      {0xAB, 501},      {0xAC, 501},
    {0xAD, 501},      {0xA6, 501},      {0xA7, 501},      {0xA8, 501},      {0x20064, 0},     {0x20092, 0},
    {0x203EB, 0},     {0x203EC, 0},     {0x2009D, 0},     {0x203F4, 0},     {0x20093, 5503},  {0x203ED, 5503},
    {0x203EE, 5503},  {0x203F0, 5503},  {0x203F1, 5503},  {0x20094, 5503},  {0x203F0, 5503},  {0x203F1, 5503},
    {0x203F4, 5503},  {0x2009E, 5503},  {0x203F2, 5503},  {0x203F3, 5503},  {0x203F5, 5503},  {0x2E003, 0},
};

constexpr const char* kDefaultHelpFile = "admin/help/hvntmain.hlp";

}  // namespace

HelpLookup LookupHelp(int id, const std::string& root) {
    HelpLookup out{root + "/" + kDefaultHelpFile, id};
    for (const HelpRow& row : kHelpRows)
        if (row.id == id) {
            out.context = row.context;
            break;
        }
    return out;
}

HelpLookup HelpForRequest(int id, const std::string& root) {
    if (id != 0 && ((id >> 12) & 0xF) == 0xD) id = kCreateHierarchyHelpId;
    return LookupHelp(id, root);
}

}  // namespace hierman
