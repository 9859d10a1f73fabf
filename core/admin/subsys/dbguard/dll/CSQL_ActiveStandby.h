// The active/standby hierarchy page: one hierarchy for the server pair.
#pragma once

#include "CKitPage.h"

namespace dbguard {

class CSQL_ActiveStandby : public CKitPage {
public:
    explicit CSQL_ActiveStandby(CKitSheet& sheet) : CKitPage(sheet, kActiveStandby) {}
    void OnApply() override;
};

}  // namespace dbguard
