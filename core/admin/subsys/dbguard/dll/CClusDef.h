// The cluster definition page: the two systems of the server pair and the
// administrator's login and password. Applying hands them to the sheet and
// reads the server configuration; the page refuses to be left while that
// configuration is not valid.
#pragma once

#include <string>
#include <vector>

namespace dbguard {

class CKitSheet;

inline constexpr const char* kSameSystemsText = "Primary and Secondary are the same.  Illegal configuration.";

class CClusDef {
public:
    explicit CClusDef(CKitSheet& sheet) : sheet_(sheet) {}

    void Initialize();
    void OnSetActive();
    // False when the page stays.
    bool OnKillActive();
    void OnApply();
    void OnClear();
    void OnPrimarySelected(int index);
    void OnSecondarySelected(int index);
    void OnLoginEdited(const std::string& text);
    void OnPasswordEdited(const std::string& text);

    bool Created() const { return created_; }

    // What the widgets show: the sorted combo entries and their selection
    // (-1 none), the two edits and the Apply button.
    std::vector<std::string> primaryItems, secondaryItems;
    int primarySelected = -1, secondarySelected = -1;
    std::string login = "sa";
    std::string password;
    std::string primary, secondary;
    bool applyEnabled = true;

private:
    std::string SelectedPrimary() const;
    std::string SelectedSecondary() const;
    bool ChangedSystems() const;
    bool SameSystems();
    void ApplyClusterDefinition();

    CKitSheet& sheet_;
    bool created_ = false;
};

}  // namespace dbguard
