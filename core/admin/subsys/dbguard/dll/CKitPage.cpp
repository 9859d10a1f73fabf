#include "CKitPage.h"

#include "CKitSheet.h"
#include "KitWords.h"
#include "NameCheck.h"

#include <algorithm>
#include <cstdio>

namespace dbguard {

using panelaid::BoxAnswer;
using panelaid::BoxButtons;
using panelaid::BoxIcon;

CKitPage::CKitPage(CKitSheet& sheet, Kind kind) : sheet_(sheet), kind_(kind) {}

CKitPage::~CKitPage() = default;

void CKitPage::Say(const std::string& text) { sheet_.Host().Boxes().Ask({"", text, BoxIcon::Warning, BoxButtons::Ok}); }

bool CKitPage::HasInstance(const std::string& tagText) {
    panelaid::ConsoleDatabase& db = sheet_.Host().Db();
    panelaid::Records records;
    panelaid::InstanceQuery q;
    q.tag = tagText.c_str();
    const bool found = db.InstanceList(m_sPrimary.c_str(), q, &records) && !records.empty();
    db.ClearError();
    return found;
}

void CKitPage::Initialize() {
    created_ = true;
    namedPipeEnabled = sheet_.Host().RootFileExists("admin/kit/pipeguard/pipeguard.inf");
    tcpipEnabled = sheet_.Host().RootFileExists("admin/kit/addrguard/addrguard.inf");
    ResetPage();
}

bool CKitPage::SystemsChanged() const { return sheet_.primary != m_sPrimary || sheet_.secondary != m_sSecondary; }

void CKitPage::OnSetActive() {
    sheet_.hierarchyHelp = 1;
    if (SystemsChanged()) {
        m_sPrimary = sheet_.primary;
        m_sSecondary = sheet_.secondary;
        ResetPage();
    }
}

void CKitPage::OnHelp() { sheet_.Host().ShowHelp(HelpContext()); }

void CKitPage::OnClear() { ClearPage(); }

void CKitPage::OnTagKillFocus() { CheckTag(); }

void CKitPage::OnDependencySelected(int index, bool selected) {
    if (index >= 0 && index < static_cast<int>(dependencyList.size()))
        dependencyList[static_cast<std::size_t>(index)].selected = selected;
    deleteEnabled = AnySelected(dependencyList);
}

void CKitPage::OnDelete() { DeleteSelectedDependencies(); }

void CKitPage::NextFreeTag() {
    for (int n = 0; n <= kHighestTagNumber; ++n) {
        tag = "SQLServer." + std::to_string(n);
        if (!HasInstance(tag)) break;
    }
    sheet_.Host().Db().ClearError();
}

void CKitPage::CheckTag() {
    if (tag.empty()) {
        tagAcceptable = 0;
    } else if (panelaid::IsValidName(tag.c_str()) == 0) {
        tagAcceptable = 0;
        Say("The tag name '" + tag + "' is not valid.  Please try again.");
    } else if (HasInstance(tag)) {
        Say("The tag name '" + tag + "' is already in use.  Please try again.");
        tagAcceptable = 0;
    } else {
        tagAcceptable = 1;
    }
}

void CKitPage::ResetPage() {
    bringIntoService = 1;
    restoreExecutive = 1;
    restoreDtc = 0;
    NextFreeTag();
    SelectAll(dependencyList);
    DeleteSelectedDependencies();
    CheckTag();
}

void CKitPage::ClearPage() {
    if (!newDependencies.empty()) {
        const BoxAnswer a = sheet_.Host().Boxes().Ask(
            {"",
             "There are newly created resources in the Dependency Tags list box that will be removed - are you sure "
             "you want to continue?",
             BoxIcon::Error, BoxButtons::YesNo});
        if (a != BoxAnswer::Yes) return;
    }
    ResetPage();
}

void CKitPage::DeleteSelectedDependencies() {
    std::vector<std::string> collected;
    for (std::size_t i = dependencyList.size(); i-- > 0;) {
        if (!dependencyList[i].selected) continue;
        const std::string text = dependencyList[i].text;
        dependencyList.erase(dependencyList.begin() + static_cast<std::ptrdiff_t>(i));
        auto existing = std::find(existingDependencies.begin(), existingDependencies.end(), text);
        if (existing != existingDependencies.end()) {
            existingDependencies.erase(existing);
            continue;
        }
        auto created = std::find(newDependencies.begin(), newDependencies.end(), text);
        if (created != newDependencies.end()) {
            newDependencies.erase(created);
            collected.push_back(text);
        }
    }
    deleteEnabled = AnySelected(dependencyList);
    DeleteDependencyHierarchies(std::move(collected), true);
}

void CKitPage::DeleteDependencyHierarchies(std::vector<std::string> tags, bool steps) {
    if (tags.empty()) return;
    const std::unique_ptr<panelaid::ScriptRunner> runner = sheet_.Host().NewRunner();
    panelaid::StatusDisplay* bar = sheet_.Host().StatusOf(sheet_.Block());
    const std::string systems = ScriptWord(m_sPrimary) + " " + ScriptWord(m_sSecondary) + " ";
    const std::string pid = ScriptWord(sheet_.Block()->m_pid);
    if (steps) {
        runner->ProgressText(("Executing PreDelete scripts on " + m_sPrimary).c_str(), bar);
        runner->Execute(kDeleteScript, systems + ".PreDelete " + pid);
    }
    for (const std::string& t : tags) {
        runner->ProgressText(("Deleting hierarchy " + t + " on " + m_sPrimary + " and " + m_sSecondary).c_str(), bar);
        runner->Execute(kDeleteScript, systems + ScriptWord(t) + " " + pid);
    }
    if (steps) {
        runner->ProgressText(("Executing PostDelete scripts on " + m_sPrimary).c_str(), bar);
        runner->Execute(kDeleteScript, systems + ".PostDelete " + pid);
    }
}

void CKitPage::DropDependencies() {
    if (!created_) return;
    existingDependencies.clear();
    if (!newDependencies.empty()) {
        std::vector<std::string> tags;
        tags.swap(newDependencies);
        DeleteDependencyHierarchies(std::move(tags), true);
    }
    dependencyList.clear();
    deleteEnabled = false;
}

void CKitPage::KeepNewDependencies() {
    existingDependencies.insert(existingDependencies.end(), newDependencies.begin(), newDependencies.end());
    newDependencies.clear();
}

bool CKitPage::Known(const std::string& dependency) const {
    return std::find(existingDependencies.begin(), existingDependencies.end(), dependency) !=
               existingDependencies.end() ||
           std::find(newDependencies.begin(), newDependencies.end(), dependency) != newDependencies.end();
}

RecoveryKitControlBlock CKitPage::DependencyBlock(const std::string& kit, bool withTags) {
    RecoveryKitControlBlock b;
    const RecoveryKitControlBlock* own = sheet_.Block();
    b.m_pid = own->m_pid;
    b.m_machine = own->m_machine;
    b.m_pStatusBar = own->m_pStatusBar;
    b.m_kit = kit;
    b.m_primarySystems = {m_sPrimary};
    b.m_secondarySystems = {m_sSecondary};
    if (withTags) {
        b.m_tags = existingDependencies;
        b.m_tags.insert(b.m_tags.end(), newDependencies.begin(), newDependencies.end());
    }
    return b;
}

int CKitPage::ChooseDependency(const std::string& kit) {
    RecoveryKitControlBlock b = DependencyBlock(kit, true);
    sheet_.Host().EnumHierarchy(&b);
    if (b.m_status != kKitStatusDone) return b.m_status;
    if (panelaid::IsValidName(b.m_resultTag.c_str()) == 0) {
        Say("The recovery kit " + kit + " gave the tag '" + b.m_resultTag + "', which is not valid.");
        return b.m_status;
    }
    // A tag already among the dependencies is not added twice.
    if (!Known(b.m_resultTag)) {
        existingDependencies.push_back(b.m_resultTag);
        dependencyList.push_back({b.m_resultTag, false});
    }
    return b.m_status;
}

void CKitPage::CreateDependency(const std::string& kit) {
    RecoveryKitControlBlock b = DependencyBlock(kit, false);
    sheet_.Host().CreateHierarchy(&b);
    if (b.m_status == kKitStatusCancelled) return;
    if (b.m_status != kKitStatusDone) {
        Say("The " + kit + " hierarchy could not be created.");
        return;
    }
    if (panelaid::IsValidName(b.m_resultTag.c_str()) == 0 || Known(b.m_resultTag)) {
        Say("The recovery kit " + kit + " gave the tag '" + b.m_resultTag + "', which cannot be used.");
        return;
    }
    newDependencies.push_back(b.m_resultTag);
    dependencyList.push_back({b.m_resultTag, false});
}

void CKitPage::AddDependencyThrough(const std::string& kit) {
    const int status = ChooseDependency(kit);
    if (status == kKitStatusFailed)
        CreateDependency(kit);
    else if (status == kKitStatusNotLoaded || status == kKitStatusNotOffered)
        Say("The recovery kit " + kit + " cannot be used (status " + std::to_string(status) + ").");
}

panelaid::ScriptRunner& CKitPage::Runner() {
    if (!runner_) runner_ = sheet_.Host().NewRunner();
    return *runner_;
}

void CKitPage::StartOperation() { runner_ = sheet_.Host().NewRunner(); }

void CKitPage::EndOperation() { runner_.reset(); }

void CKitPage::Run(const std::string& progress, const char* script, const std::string& args) {
    Runner().ProgressText(progress.c_str(), sheet_.Host().StatusOf(block_));
    Runner().Execute(script, args);
}

void CKitPage::Register(const char* text, int line, const std::function<int()>& call) {
    panelaid::ConsoleDatabase& db = sheet_.Host().Db();
    while (call() != 0 && db.ErrorNumber() != 4) {
        if (sheet_.Host().Advise(text, kRegistrationSource, line) != 1) break;
    }
    db.ClearError();
}

int CKitPage::PrepareCreate() {
    block_ = sheet_.Block();
    block_->m_resultTag = tag;
    block_->m_status = kKitStatusDone;
    if (panelaid::IsValidName(tag.c_str()) == 0) {
        Say(tag.empty() ? std::string("Please enter a tag name for this resource.")
                        : "The tag name '" + tag + "' is not valid.  Please try again.");
        focusTag = true;
        return 0;
    }
    if (HasInstance(tag)) {
        Say("The tag name '" + tag + "' is already in use.  Please try again.");
        focusTag = true;
        return 0;
    }
    if (bringIntoService != 0) {
        const BoxAnswer a = sheet_.Host().Boxes().Ask(
            {"Warning",
             "You have chosen to bring " + tag + " into service.\n\nIf this SQL Server is running on " + m_sPrimary +
                 " or " + m_sSecondary + ", it will be stopped and restarted on " + m_sPrimary +
                 ".\n\nThis may result in a brief interruption of service.",
             BoxIcon::Warning, BoxButtons::OkCancel});
        if (a != BoxAnswer::Ok) return 0;
    }
    const std::string systems = ScriptWord(m_sPrimary) + " " + ScriptWord(m_sSecondary);
    const std::string pid = ScriptWord(block_->m_pid);
    Run("Executing PreCreate scripts on " + m_sPrimary, kCreateScript, systems + " .PreCreate " + pid);

    KitHost& host = sheet_.Host();
    panelaid::ConsoleDatabase& db = host.Db();
    const char* p = m_sPrimary.c_str();
    const char* s = m_sSecondary.c_str();
    const std::string application = std::string("Registering application ") + kApplicationName;
    const char* previous = host.PushStatus(application.c_str(), block_);
    Register("app_create(CP(m_sPrimary), CP(sApp_name)) == 0 || Qdb_errno == QDB_E_EXIST", 1001,
             [&] { return db.ApplicationCreate(p, kApplicationName); });
    Register("app_create(CP(m_sSecondary), CP(sApp_name)) == 0 || Qdb_errno == QDB_E_EXIST", 1004,
             [&] { return db.ApplicationCreate(s, kApplicationName); });
    host.PopStatus(previous, block_);
    previous = host.PushStatus(("Registering resource " + m_szKitAppName).c_str(), block_);
    Register("typ_create(CP(m_sPrimary), CP(sApp_name), CP(m_szKitAppName)) == 0 || Qdb_errno == QDB_E_EXIST", 1013,
             [&] { return db.TypeCreate(p, kApplicationName, m_szKitAppName.c_str()); });
    Register("typ_create(CP(m_sSecondary), CP(sApp_name), CP(m_szKitAppName)) == 0 || Qdb_errno == QDB_E_EXIST",
             1016, [&] { return db.TypeCreate(s, kApplicationName, m_szKitAppName.c_str()); });
    host.PopStatus(previous, block_);
    return 1;
}

int CKitPage::RunKitCreate(bool withDependencies) {
    Runner().ProgressText("Installing hierarchy", sheet_.Host().StatusOf(block_));
    std::vector<std::string> dependencies;
    for (const ListItem& item : dependencyList) dependencies.push_back(item.text);
    KitCreateWords w;
    w.primary = m_sPrimary;
    w.secondary = m_sSecondary;
    w.tag = tag;
    if (kind_ == kActiveActive) w.database = &currentDatabase;
    w.login = sheet_.login;
    w.restoreExecutive = restoreExecutive;
    w.restoreDtc = restoreDtc;
    w.bringIntoService = bringIntoService;
    if (withDependencies) w.dependencies = &dependencies;
    const char* script = kind_ == kActiveActive ? kActiveCreateScript : kStandbyCreateScript;
    if (Runner().Execute(script, KitCreateArguments(w), {{kPasswordVariable, sheet_.password}}) == 0) return kCreated;
    if (kind_ == kActiveStandby) return kStop;
    const BoxAnswer a = sheet_.Host().Boxes().Ask(
        {"",
         "The resource creation for database " + currentDatabase +
             " failed.  This database will not be protected by Holdervane - do you want to continue with the SQL "
             "Server resource creation?",
         BoxIcon::Error, BoxButtons::YesNo});
    return a == BoxAnswer::Yes ? kGoOn : kStop;
}

void CKitPage::FinishCreate() {
    const std::string systems = ScriptWord(m_sPrimary) + " " + ScriptWord(m_sSecondary);
    const std::string pid = ScriptWord(block_->m_pid);
    if (bringIntoService == 1)
        Run("Bringing " + tag + " into service on " + m_sPrimary, kCreateScript,
            systems + " " + ScriptWord(tag) + " " + pid);
    Run("Executing PostCreate scripts on " + m_sPrimary, kCreateScript, systems + " .PostCreate " + pid);
}

}  // namespace dbguard
