#include "CSQL_ActiveStandby.h"

#include "CKitSheet.h"

namespace dbguard {

void CSQL_ActiveStandby::OnApply() {
    StartOperation();
    if (PrepareCreate() == 0) {
        EndOperation();
        return;
    }
    const int r = RunKitCreate(true);
    FinishCreate();
    EndOperation();
    if (r == kCreated) {
        sheet_.validConfiguration = 0;
        sheet_.EndSheet(1);
        Say("SQL Hierarchy creation was successful for " + tag + ".");
    }
}

}  // namespace dbguard
