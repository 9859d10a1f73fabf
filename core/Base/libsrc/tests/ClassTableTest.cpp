// The registry against the table of class codes, with every library of the
// system loaded: each class registered under its row's code, name and wire
// kind; every concrete row of a loaded library registered; nothing
// registered that the table lacks.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "BaseMsg.h"
#include "ClassCodes.h"
#include "RegisterClass.h"

namespace {

// Loads every shared library of the build; answers their names ("msgframe").
std::set<std::string> LoadEveryLibrary() {
    std::set<std::string> loaded;
    for (const auto& entry : std::filesystem::directory_iterator(HV_LIBRARY_DIR)) {
        const std::string file = entry.path().filename().string();
        if (file.rfind("lib", 0) != 0 || entry.path().extension() != ".so") continue;
        void* handle = ::dlopen(entry.path().c_str(), RTLD_NOW | RTLD_GLOBAL);
        EXPECT_NE(handle, nullptr) << file << ": " << ::dlerror();
        if (handle != nullptr) loaded.insert(file.substr(3, file.size() - 6));
    }
    return loaded;
}

}  // namespace

TEST(ClassTable, TheRegistryOfEveryLoadedLibraryMatchesTheTable) {
    const std::set<std::string> libraries = LoadEveryLibrary();
    ASSERT_TRUE(libraries.count("msgframe"));

    std::map<int, const MxrClassCodeEnt*> rows;
    for (const MxrClassCodeEnt& row : MxrAllClassCodes) rows[row.code] = &row;

    // Everything registered has its row, under the same name and kind.
    RegisterClass** table = RegisterClass::GetClassListPtr();
    int registered = 0;
    for (int code = 0; code < RegisterClass::GetClassListSize(); ++code) {
        RegisterClass* rec = table[code];
        if (rec == nullptr) continue;
        ++registered;
        SCOPED_TRACE(rec->GetClassName());
        auto row = rows.find(code);
        ASSERT_NE(row, rows.end()) << "code " << code << " is missing from ClassCodes.h";
        EXPECT_STREQ(rec->GetClassName(), row->second->name);
        EXPECT_EQ(rec->GetWireKind(), row->second->kind);
        EXPECT_NE(row->second->kind, MxrWireKind::Abstract);
        // A message derives from BaseMsg, a value does not (a local-only
        // class may: the timer's wrapper).
        if (row->second->kind == MxrWireKind::Message) {
            EXPECT_EQ(rec->IsOfType(BaseMsg::ClassCode), 1);
        }
        if (row->second->kind == MxrWireKind::Value) {
            EXPECT_EQ(rec->IsOfType(BaseMsg::ClassCode), 0);
        }
    }

    // Every row of a loaded library is registered, unless abstract.
    int checked = 0;
    for (const MxrClassCodeEnt& row : MxrAllClassCodes) {
        if (row.library == nullptr || !libraries.count(row.library)) continue;
        SCOPED_TRACE(row.name);
        ++checked;
        RegisterClass* rec = RegisterClass::GetRegisterClassEntryFrmId(row.code);
        if (row.kind == MxrWireKind::Abstract) {
            EXPECT_EQ(rec, nullptr);
            continue;
        }
        ASSERT_NE(rec, nullptr) << "not registered";
        EXPECT_STREQ(rec->GetClassName(), row.name);
    }
    EXPECT_GE(checked, 75);
    EXPECT_GE(registered, checked - 8);
}
