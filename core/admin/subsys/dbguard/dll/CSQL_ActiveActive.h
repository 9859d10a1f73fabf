// The active/active hierarchy page: one hierarchy per chosen database, the
// databases and volumes they lie on chosen together.
#pragma once

#include "CKitPage.h"
#include "DatabaseVolumeMaps.h"

namespace dbguard {

class CSQL_ActiveActive : public CKitPage {
public:
    explicit CSQL_ActiveActive(CKitSheet& sheet) : CKitPage(sheet, kActiveActive) {}

    void Initialize() override;
    void OnSetActive() override;
    void OnApply() override;
    void OnClear() override;
    void OnTagKillFocus() override;

    // Empties both maps before a new database list.
    void ClearMaps();
    // One getsqldb line; false with a reason for a line past the bounds.
    bool AddDatabaseLine(const std::string& line, std::string* problem);
    const DatabaseVolumeMaps& Maps() const { return maps_; }

    // A click in the database list (or the volume list): the entry's new
    // state spreads to every database and volume connected to it.
    void LinkSelection(bool databaseList, int index, bool selected);

    PageList databaseList, volumeList;

private:
    void FillLists();
    void TagRule();

    DatabaseVolumeMaps maps_;
    bool mapsChanged_ = false;
};

}  // namespace dbguard
