#include "KitLoader.h"

#include "KitEntryNames.h"

#include <cstdio>
#include <dlfcn.h>

namespace panelaid {

std::string KitLoader::LibraryPath(const std::string& root, const std::string& kit) {
    return root + "/admin/kit/" + kit + "/" + kit + ".so";
}

bool KitLoader::IsKitName(const std::string& kit) {
    return !kit.empty() && kit != "." && kit != ".." && kit.find('/') == std::string::npos &&
           kit.find('\0') == std::string::npos;
}

void KitLoader::Run(const std::string& root, RecoveryKitControlBlock* block, KitOperation operation) {
    if (block == nullptr) return;
    if (!IsKitName(block->m_kit)) {
        block->m_status = kKitStatusNotLoaded;
        return;
    }
    const std::string path = LibraryPath(root, block->m_kit);
    void* kit = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (kit == nullptr) {
        block->m_status = kKitStatusNotLoaded;
        return;
    }
    const auto* capability = static_cast<const unsigned char*>(::dlsym(kit, kKitCapabilitySymbol));
    if (capability == nullptr) {
        ::dlclose(kit);
        block->m_status = kKitStatusNotLoaded;
        return;
    }
    const bool create = operation == KitOperation::Create;
    if ((capability[1] & (create ? kKitOffersCreate : kKitOffersEnumerate)) == 0) {
        ::dlclose(kit);
        block->m_status = kKitStatusNotOffered;
        return;
    }
    const auto entry = reinterpret_cast<KitEntry>(::dlsym(kit, create ? kKitCreateSymbol : kKitEnumerateSymbol));
    if (entry == nullptr) {
        ::dlclose(kit);
        block->m_status = kKitStatusNotLoaded;
        return;
    }
    block->m_status = kKitStatusNone;
    int result = 0;
    try {
        result = entry(block);
    } catch (...) {
        // A kit's exception must not cross into the console.
        std::fprintf(stderr, "recovery kit %s: its entry ended by an exception\n", block->m_kit.c_str());
        result = 0;
    }
    ::dlclose(kit);
    if (result == 0) block->m_status = kKitStatusFailed;
}

}  // namespace panelaid
