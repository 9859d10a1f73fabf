// The kit's property sheet: tab 0 the cluster definition, tab 1 the
// hierarchy page that the server configuration read chose. It owns the
// values the pages share (systems, login, password, the control block) and
// the pages themselves; the Qt sheet draws it and forwards clicks.
#pragma once

#include "KitHost.h"
#include "RecoveryKitControlBlock.h"

#include <memory>
#include <string>

namespace dbguard {

class CClusDef;
class CKitPage;
class CSQL_ActiveActive;
class CSQL_ActiveStandby;

inline constexpr const char* kSheetCaption = "SQL Hierarchy Creation";
inline constexpr int kClusterHelpContext = 518;
inline constexpr const char* kConfigScript = "/admin/kit/dbguard/bin/sqlconfg";
inline constexpr const char* kDatabaseListScript = "/admin/kit/dbguard/bin/getsqldb";
inline constexpr const char* kNotValidText =
    "A SQL Server Hierarchy already exists for this configuration or the configuration is not valid.";
// getsqldb lines read at most.
inline constexpr int kMaxDatabaseListLines = 5000;

class CKitSheet {
public:
    explicit CKitSheet(KitHost& host);
    ~CKitSheet();

    void InitFromBlock(RecoveryKitControlBlock* block);
    // Shows page 0 (initialising it): the sheet's window has appeared.
    void Start();

    int SelectedTab() const { return selectedTab_; }
    // Makes tab n the selected tab and activates its page.
    void SelectTab(int n);
    // A click on the tab row: the page shown may refuse to be left. False
    // when tab n is not selected afterwards.
    bool UserSelectsTab(int n);
    // The Close button: unused new dependencies are deleted, the sheet ends with 1.
    void Close();
    void Help();
    void EndSheet(int result);
    bool Ended() const { return ended_; }
    int Result() const { return result_; }

    void ReadServerConfiguration(const std::string& primary, const std::string& secondary);

    CClusDef& Cluster() { return *cluster_; }
    CSQL_ActiveActive& ActiveActive() { return *activeActive_; }
    CSQL_ActiveStandby& ActiveStandby() { return *activeStandby_; }
    // The page in tab 1.
    CKitPage& HierarchyPage() { return *current_; }
    bool HierarchyIsActiveActive() const;
    KitHost& Host() { return host_; }
    RecoveryKitControlBlock* Block() { return block_; }

    int validConfiguration = 0;
    std::string rootDirectory;
    std::string primary;
    std::string secondary;
    std::string login = "sa";
    std::string password;
    int hierarchyHelp = 0;

private:
    void PutInTab1(CKitPage* page);
    void Activate(int n);

    KitHost& host_;
    RecoveryKitControlBlock* block_ = nullptr;
    std::unique_ptr<CClusDef> cluster_;
    std::unique_ptr<CSQL_ActiveActive> activeActive_;
    std::unique_ptr<CSQL_ActiveStandby> activeStandby_;
    CKitPage* current_ = nullptr;
    int selectedTab_ = -1;
    bool ended_ = false;
    int result_ = 0;
};

}  // namespace dbguard
