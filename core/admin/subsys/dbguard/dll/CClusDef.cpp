#include "CClusDef.h"

#include "CKitSheet.h"
#include "KitWords.h"
#include "PageList.h"

#include <algorithm>

namespace dbguard {

namespace {

void Say(KitHost& host, const std::string& text) {
    host.Boxes().Ask({"", text, panelaid::BoxIcon::Warning, panelaid::BoxButtons::Ok});
}

}  // namespace

void CClusDef::Initialize() {
    created_ = true;
    RecoveryKitControlBlock* block = sheet_.Block();
    primaryItems = block->m_primarySystems;
    secondaryItems = block->m_secondarySystems;
    std::sort(primaryItems.begin(), primaryItems.end());
    std::sort(secondaryItems.begin(), secondaryItems.end());
    primary = sheet_.primary;
    secondary = sheet_.secondary;
    // Until the first Apply any selection counts as a change of systems.
    sheet_.primary.clear();
    sheet_.secondary.clear();
    primarySelected = FindPrefixIgnoringCase(primaryItems, primary);
    secondarySelected = FindPrefixIgnoringCase(secondaryItems, secondary);
    const std::unique_ptr<panelaid::ScriptRunner> runner = sheet_.Host().NewRunner();
    runner->Execute("/bin/getrootdir", "-d " + ScriptWord(primary));
    sheet_.rootDirectory = runner->LinesLeft() > 0 ? runner->NextLine() : std::string();
}

void CClusDef::OnSetActive() { sheet_.hierarchyHelp = 0; }

std::string CClusDef::SelectedPrimary() const {
    return primarySelected >= 0 && primarySelected < static_cast<int>(primaryItems.size())
               ? primaryItems[static_cast<std::size_t>(primarySelected)]
               : std::string();
}

std::string CClusDef::SelectedSecondary() const {
    return secondarySelected >= 0 && secondarySelected < static_cast<int>(secondaryItems.size())
               ? secondaryItems[static_cast<std::size_t>(secondarySelected)]
               : std::string();
}

bool CClusDef::ChangedSystems() const {
    return SelectedPrimary() != sheet_.primary || SelectedSecondary() != sheet_.secondary;
}

bool CClusDef::SameSystems() {
    primary = SelectedPrimary();
    secondary = SelectedSecondary();
    if (primary != secondary) return false;
    Say(sheet_.Host(), kSameSystemsText);
    return true;
}

void CClusDef::OnPrimarySelected(int index) {
    primarySelected = index;
    applyEnabled = ChangedSystems();
}

void CClusDef::OnSecondarySelected(int index) {
    secondarySelected = index;
    applyEnabled = ChangedSystems();
}

void CClusDef::OnLoginEdited(const std::string& text) {
    login = text;
    applyEnabled = true;
}

void CClusDef::OnPasswordEdited(const std::string& text) {
    password = text;
    applyEnabled = true;
}

void CClusDef::OnApply() { ApplyClusterDefinition(); }

void CClusDef::ApplyClusterDefinition() {
    applyEnabled = false;
    if (SameSystems()) {
        sheet_.SelectTab(0);
        return;
    }
    const std::string problem = CredentialProblem(login, password);
    if (!problem.empty()) {
        // Nothing reaches a script; leaving the page stays refused.
        sheet_.validConfiguration = 0;
        Say(sheet_.Host(), problem);
        return;
    }
    sheet_.password = password;
    sheet_.login = login;
    sheet_.primary = primary;
    sheet_.secondary = secondary;
    sheet_.ReadServerConfiguration(sheet_.primary, sheet_.secondary);
}

bool CClusDef::OnKillActive() {
    if (applyEnabled) {
        if (SameSystems()) {
            sheet_.SelectTab(0);
            return false;
        }
        ApplyClusterDefinition();
    }
    if (sheet_.validConfiguration == 0) {
        Say(sheet_.Host(), kNotValidText);
        return false;
    }
    return !SameSystems();
}

void CClusDef::OnClear() {
    password.clear();
    sheet_.password.clear();
    login = "sa";
    sheet_.login = "sa";
}

}  // namespace dbguard
