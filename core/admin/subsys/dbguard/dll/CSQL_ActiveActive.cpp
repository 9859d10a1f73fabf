#include "CSQL_ActiveActive.h"

#include "CKitSheet.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>

namespace dbguard {

namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The first entry of each text without regard to case, as the list box's
// exact-match search finds it.
std::unordered_map<std::string, std::size_t> CaselessIndex(const PageList& list) {
    std::unordered_map<std::string, std::size_t> index;
    for (std::size_t i = 0; i < list.size(); ++i) index.emplace(Lower(list[i].text), i);
    return index;
}

}  // namespace

void CSQL_ActiveActive::ClearMaps() {
    maps_.Clear();
    mapsChanged_ = true;
}

bool CSQL_ActiveActive::AddDatabaseLine(const std::string& line, std::string* problem) {
    mapsChanged_ = true;
    return maps_.AddLine(line, problem);
}

void CSQL_ActiveActive::FillLists() {
    databaseList.clear();
    volumeList.clear();
    for (const CAssocList::Entry& e : maps_.Volumes().Entries()) volumeList.push_back({e.key, true});
    for (const CAssocList::Entry& e : maps_.Databases().Entries()) databaseList.push_back({e.key, true});
    mapsChanged_ = false;
}

void CSQL_ActiveActive::Initialize() {
    FillLists();
    CKitPage::Initialize();
}

void CSQL_ActiveActive::OnSetActive() {
    if (!SystemsChanged()) {
        // The same pair read again may have new databases: the lists follow
        // the maps, the rest of the page is kept.
        if (mapsChanged_) FillLists();
        sheet_.hierarchyHelp = 1;
        return;
    }
    if (created_) FillLists();
    CKitPage::OnSetActive();
}

void CSQL_ActiveActive::TagRule() {
    CheckTag();
    if (tagAcceptable == 1 && !AnySelected(databaseList) && !AnySelected(volumeList)) tagAcceptable = 0;
}

void CSQL_ActiveActive::OnTagKillFocus() { TagRule(); }

void CSQL_ActiveActive::OnClear() {
    ClearPage();
    SelectAll(volumeList);
    SelectAll(databaseList);
}

void CSQL_ActiveActive::LinkSelection(bool fromDatabaseList, int index, bool selected) {
    PageList& clicked = fromDatabaseList ? databaseList : volumeList;
    if (index < 0 || index >= static_cast<int>(clicked.size())) return;
    clicked[static_cast<std::size_t>(index)].selected = selected;
    const DatabaseVolumeMaps::Connected reached =
        maps_.Walk(clicked[static_cast<std::size_t>(index)].text, fromDatabaseList);
    const auto databases = CaselessIndex(databaseList);
    const auto volumes = CaselessIndex(volumeList);
    for (const std::string& d : reached.databases)
        if (auto it = databases.find(Lower(d)); it != databases.end()) databaseList[it->second].selected = selected;
    for (const std::string& v : reached.volumes)
        if (auto it = volumes.find(Lower(v)); it != volumes.end()) volumeList[it->second].selected = selected;
    TagRule();
}

void CSQL_ActiveActive::OnApply() {
    const std::vector<std::string> chosen = SelectedTexts(databaseList);
    if (chosen.empty()) return;
    StartOperation();
    if (PrepareCreate() == 0) {
        EndOperation();
        return;
    }
    const int remembered = bringIntoService;
    bringIntoService = 0;
    std::vector<std::string> created;
    for (std::size_t i = 0; i < chosen.size(); ++i) {
        currentDatabase = chosen[i];
        if (i + 1 == chosen.size()) bringIntoService = remembered;
        // Only the first hierarchy created depends on the dependency tags.
        const int r = RunKitCreate(created.empty());
        if (r == kStop) break;
        if (r == kCreated) created.push_back(currentDatabase);
    }
    FinishCreate();
    EndOperation();
    bringIntoService = remembered;
    if (!HasInstance(tag)) return;
    std::string joined;
    for (const std::string& d : created) joined += (joined.empty() ? "" : ", ") + d;
    Say("SQL Hierarchy creation was successful for " + tag + ".\nIncluded are databases:  " + joined);
    KeepNewDependencies();
    DropDependencies();
    sheet_.validConfiguration = 0;
    sheet_.SelectTab(0);
}

}  // namespace dbguard
