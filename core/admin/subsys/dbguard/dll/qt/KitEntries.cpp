// The kit's entries, looked up by panelaid's loader, which loads the library
// for one call and unloads it again: every window is gone before an entry
// returns, and nothing is kept between calls.
#include "CKitSheet.h"
#include "CSQL_Enum.h"
#include "KitEntryNames.h"
#include "KitSheetDialog.h"
#include "PanelaidKitHost.h"
#include "SqlEnumDialog.h"

#include <cstdio>
#include <exception>

extern "C" {

// Offers create and enumerate.
extern const unsigned char hvkit_capability[4] = {0x01, 0x03, 0x01, 0x00};

int hvkit_create_hierarchy(RecoveryKitControlBlock* block) {
    if (block == nullptr) return 0;
    try {
        dbguard::PanelaidKitHost host(block);
        dbguard::CKitSheet sheet(host);
        sheet.InitFromBlock(block);
        dbguard::KitSheetDialog dialog(sheet);
        dialog.exec();
        block->m_status = kKitStatusDone;
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "dbguard: hierarchy creation ended by an error: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "dbguard: hierarchy creation ended by an error\n");
    }
    return 0;
}

int hvkit_enum_hierarchy(RecoveryKitControlBlock* block) {
    if (block == nullptr) return 0;
    dbguard::PanelaidKitHost host(block);
    const std::vector<std::string> tags = dbguard::CSQL_Enum::OfferedTags(host.Db(), *block);
    int result = dbguard::kEnumNewResult;
    std::string chosen;
    if (!tags.empty()) {
        dbguard::SqlEnumDialog dialog(tags, [&host] { host.ShowHelp(dbguard::kEnumHelpContext); });
        result = dialog.exec();
        chosen = dialog.Chosen();
    }
    dbguard::CSQL_Enum::StoreResult(result, chosen, block);
    return 1;
}

int hvkit_reserved(RecoveryKitControlBlock*) { return 0; }

}
