#include "CKitSheet.h"

#include "CClusDef.h"
#include "CSQL_ActiveActive.h"
#include "CSQL_ActiveStandby.h"
#include "KitWords.h"

namespace dbguard {

CKitSheet::CKitSheet(KitHost& host) : host_(host) {}

CKitSheet::~CKitSheet() = default;

void CKitSheet::InitFromBlock(RecoveryKitControlBlock* block) {
    block_ = block;
    primary = !block->m_primarySystems.empty() ? block->m_primarySystems.front() : block->m_machine;
    secondary = block->m_machine;
    for (const std::string& s : block->m_secondarySystems) {
        if (s != primary) {
            secondary = s;
            break;
        }
    }
    cluster_ = std::make_unique<CClusDef>(*this);
    activeActive_ = std::make_unique<CSQL_ActiveActive>(*this);
    activeStandby_ = std::make_unique<CSQL_ActiveStandby>(*this);
    current_ = activeActive_.get();
    validConfiguration = 1;
}

void CKitSheet::Start() { SelectTab(0); }

bool CKitSheet::HierarchyIsActiveActive() const { return current_ == activeActive_.get(); }

void CKitSheet::Activate(int n) {
    if (n == 0) {
        if (!cluster_->Created()) cluster_->Initialize();
        cluster_->OnSetActive();
    } else {
        if (!current_->Created()) current_->Initialize();
        current_->OnSetActive();
    }
}

void CKitSheet::SelectTab(int n) {
    if (ended_ || n < 0 || n > 1 || n == selectedTab_) return;
    selectedTab_ = n;
    Activate(n);
}

bool CKitSheet::UserSelectsTab(int n) {
    if (ended_ || n < 0 || n > 1) return false;
    if (n == selectedTab_) return true;
    if (selectedTab_ == 0 && !cluster_->OnKillActive()) {
        SelectTab(0);
        return selectedTab_ == n;
    }
    SelectTab(n);
    return selectedTab_ == n;
}

void CKitSheet::Close() {
    current_->DropDependencies();
    EndSheet(1);
}

void CKitSheet::Help() { host_.ShowHelp(hierarchyHelp == 1 ? current_->HelpContext() : kClusterHelpContext); }

void CKitSheet::EndSheet(int result) {
    ended_ = true;
    result_ = result;
}

void CKitSheet::PutInTab1(CKitPage* page) {
    if (current_ == page) return;
    current_ = page;
    // The page now in tab 1 is shown afresh when that tab is selected.
    if (selectedTab_ == 1) selectedTab_ = -1;
}

void CKitSheet::ReadServerConfiguration(const std::string& primarySystem, const std::string& secondarySystem) {
    const std::unique_ptr<panelaid::ScriptRunner> runner = host_.NewRunner();
    panelaid::ConsoleDatabase& db = host_.Db();
    if (runner->Execute(kConfigScript, ScriptWord(primarySystem) + " " + ScriptWord(secondarySystem)) != 0) {
        validConfiguration = 0;
        return;
    }
    current_->DropDependencies();
    const std::string kind = runner->LinesLeft() > 0 ? runner->NextLine() : std::string();
    if (kind == "Standby") {
        panelaid::Records records;
        panelaid::InstanceQuery q;
        q.application = kApplicationName;
        q.type = kKitName;
        const bool exists = db.InstanceList(primary.c_str(), q, &records) && !records.empty();
        db.ClearError();
        if (exists) {
            validConfiguration = 0;
            return;
        }
        PutInTab1(activeStandby_.get());
    } else if (kind == "Active") {
        if (runner->Execute(kDatabaseListScript, DatabaseListArguments(primarySystem, secondarySystem, login),
                            {{kPasswordVariable, password}}) != 0) {
            validConfiguration = 0;
            return;
        }
        activeActive_->ClearMaps();
        std::string problem;
        int lines = 0;
        while (problem.empty() && runner->LinesLeft() > 0) {
            if (++lines > kMaxDatabaseListLines) {
                problem = "more than " + std::to_string(kMaxDatabaseListLines) + " lines";
                break;
            }
            activeActive_->AddDatabaseLine(runner->NextLine(), &problem);
        }
        if (!problem.empty()) {
            // Nothing half: a list that cannot be read whole offers nothing.
            activeActive_->ClearMaps();
            validConfiguration = 0;
            host_.Boxes().Ask({"", "The database list of getsqldb cannot be used: " + problem + ".",
                               panelaid::BoxIcon::Warning, panelaid::BoxButtons::Ok});
            return;
        }
        PutInTab1(activeActive_.get());
    } else {
        validConfiguration = 0;
        return;
    }
    validConfiguration = 1;
    SelectTab(1);
}

}  // namespace dbguard
