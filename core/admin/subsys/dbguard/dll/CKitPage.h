// What both hierarchy pages share: the tag and its rules, the options for
// the kit's create script, the dependency hierarchies chosen or created
// through other kits, and the three creation steps (prepare, the kit's
// script, finish). The page keeps the state its widget draws.
#pragma once

#include "PageList.h"
#include "RecoveryKitControlBlock.h"
#include "ScriptRunner.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace dbguard {

class CKitSheet;

inline constexpr const char* kApplicationName = "database";
inline constexpr const char* kKitName = "dbguard";
inline constexpr const char* kCreateScript = "/admin/bin/Create";
inline constexpr const char* kDeleteScript = "/admin/bin/Delete";
inline constexpr const char* kActiveCreateScript = "/admin/kit/dbguard/bin/aacreate";
inline constexpr const char* kStandbyCreateScript = "/admin/kit/dbguard/bin/ascreate";
inline constexpr const char* kRegistrationSource = "core/admin/subsys/dbguard/dll/kitpage";
inline constexpr int kHighestTagNumber = 254;

class CKitPage {
public:
    enum Kind { kActiveActive = 0, kActiveStandby = 1 };
    // RunKitCreate's results.
    enum { kCreated = 2, kStop = 3, kGoOn = 4 };

    CKitPage(CKitSheet& sheet, Kind kind);
    virtual ~CKitPage();

    virtual void Initialize();
    virtual void OnSetActive();
    virtual void OnApply() = 0;
    virtual void OnClear();
    virtual void OnTagKillFocus();
    void OnTagEdited(const std::string& text) { tag = text; }
    void OnDependencySelected(int index, bool selected);
    void OnDelete();
    void OnNamedPipe() { AddDependencyThrough("pipeguard"); }
    void OnTcpIp() { AddDependencyThrough("addrguard"); }
    void OnHelp();

    void ResetPage();
    void ClearPage();
    void DropDependencies();
    void KeepNewDependencies();
    void NextFreeTag();
    void CheckTag();
    void DeleteSelectedDependencies();
    void DeleteDependencyHierarchies(std::vector<std::string> tags, bool steps);

    int PrepareCreate();
    int RunKitCreate(bool withDependencies);
    void FinishCreate();

    Kind PageKind() const { return kind_; }
    bool Created() const { return created_; }
    int HelpContext() const { return kind_ == kActiveActive ? 519 : 520; }

    int bringIntoService = 1;
    std::string m_sPrimary, m_sSecondary;
    std::string tag;
    int restoreExecutive = 1;
    int restoreDtc = 0;
    std::string m_szKitAppName = kKitName;
    int tagAcceptable = 1;
    std::vector<std::string> newDependencies, existingDependencies;
    std::string currentDatabase;

    // What the widget draws besides the members above.
    PageList dependencyList;
    bool deleteEnabled = false;
    bool namedPipeEnabled = false;
    bool tcpipEnabled = false;
    // Set when the tag edit is to take the input focus; the widget clears it.
    bool focusTag = false;

protected:
    bool HasInstance(const std::string& tagText);
    void Say(const std::string& text);
    bool SystemsChanged() const;
    // The runner of the creation now running (one per Apply).
    panelaid::ScriptRunner& Runner();
    void Run(const std::string& progress, const char* script, const std::string& args);
    void StartOperation();
    void EndOperation();

    CKitSheet& sheet_;
    bool created_ = false;

private:
    int ChooseDependency(const std::string& kit);
    void CreateDependency(const std::string& kit);
    void AddDependencyThrough(const std::string& kit);
    RecoveryKitControlBlock DependencyBlock(const std::string& kit, bool withTags);
    bool Known(const std::string& dependency) const;
    void Register(const char* text, int line, const std::function<int()>& call);

    Kind kind_;
    RecoveryKitControlBlock* block_ = nullptr;
    std::unique_ptr<panelaid::ScriptRunner> runner_;
};

}  // namespace dbguard
