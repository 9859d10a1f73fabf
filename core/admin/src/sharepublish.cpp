// sharepublish <fileName>: re-creates the system's file shares from a
// share-definition file, replacing a share of the same name. Messages go to
// the standard error stream; exit 0 when every share was added, 1 otherwise.
#include "SecurityDescriptor.h"
#include "HelpOption.h"
#include "ShareDefinition.h"
#include "ShareStore.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>

namespace {

using hvadmin::ShareStore;

// The wide form must exist in the locale and fit 260 wide characters.
bool ConvertsToWide(const std::string& text) {
    const std::size_t n = std::mbstowcs(nullptr, text.c_str(), 0);
    return n != static_cast<std::size_t>(-1) && n < 260;
}

// One share added, or replaced when one of that name exists. False after the
// message when it failed.
bool PublishShare(const hvadmin::ShareDefinition& def) {
    if (!ConvertsToWide(def.name)) {
        std::fputs("\nError converting share name multi byte string to wide character string", stderr);
        return false;
    }
    if (!ConvertsToWide(def.path)) {
        std::fputs("\nError converting share path multi byte string to wide character string", stderr);
        return false;
    }
    if (!ConvertsToWide(def.remark)) {
        std::fputs("\nError converting share remark multi byte string to wide character string", stderr);
        return false;
    }
    hvadmin::ShareRecord rec;
    rec.name = def.name;
    rec.type = def.type;
    rec.permissions = def.permissions;
    rec.maxUses = def.maxUses;
    rec.path = def.path;
    rec.remark = def.remark;
    if (def.descriptor != "NONE") {
        if (!hvadmin::HexToBytes(def.descriptor, &rec.descriptor)) {
            std::fputs("\nError converting security descriptor string to byte string", stderr);
            return false;
        }
        if (!hvadmin::IsValidSelfRelativeDescriptor(rec.descriptor)) {
            std::fputs("\nGiven command line argument for security descriptor is invalid", stderr);
            return false;
        }
    }
    int rc = ShareStore::Add(rec);
    if (rc == ShareStore::kNerrDuplicateShare) {
        rc = ShareStore::Delete(rec.name);
        if (rc == 0) rc = ShareStore::Add(rec);
    }
    if (rc != 0) std::fprintf(stderr, "\nShare %s could not be added: error %d", rec.name.c_str(), rc);
    return rc == 0;
}

constexpr const char* kUsage = "\nUsage : sharepublish <fileName>\n";

}  // namespace

int main(int argc, char** argv) {
    if (portlib::AsksForHelp(argc, argv)) return portlib::PrintHelp(kUsage, "");
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return 1;
    }
    std::setlocale(LC_CTYPE, "");
    std::FILE* in = std::fopen(argv[1], "r");
    if (in == nullptr) {
        std::fprintf(stderr, "\nError opening the input file %s", argv[1]);
        return 1;
    }
    hvadmin::ShareDefinitionReader reader(in);
    hvadmin::ShareDefinition def;
    bool failed = false;
    for (;;) {
        const auto got = reader.Next(&def);
        if (got == hvadmin::ShareDefinitionReader::Result::End) break;
        if (got == hvadmin::ShareDefinitionReader::Result::BadField) {
            std::fprintf(stderr, "\nBad %s field in a share of %s (missing, malformed or too long)",
                         reader.BadFieldName(), argv[1]);
            failed = true;
            break;
        }
        if (!PublishShare(def)) {
            failed = true;
            break;
        }
    }
    if (failed) std::fprintf(stderr, "\nUnable to add/Update File Share %s information", argv[1]);
    std::fclose(in);
    return failed ? 1 : 0;
}
