// Every registered class that may travel: object -> item tree -> object made
// by name through the registry -> the identical printed tree. A local-only
// class is refused by name.
#include <gtest/gtest.h>

#include <string>

#include "IoInt.h"
#include "IoObjectCvt.h"
#include "IoTestTrees.h"
#include "RegisterClass.h"

TEST(IoRegistryRoundTrip, EveryRegisteredClassIsRebuiltFromItsTreeByName) {
    RegisterClass** table = RegisterClass::GetClassListPtr();
    const int size = RegisterClass::GetClassListSize();
    ASSERT_NE(table, nullptr);
    int classes = 0;
    for (int code = 0; code < size; ++code) {
        RegisterClass* rec = table[code];
        if (rec == nullptr) continue;
        SCOPED_TRACE(rec->GetClassName());
        if (rec->GetWireKind() == MxrWireKind::Local) {
            // Named in a tree, a local-only class is refused, not built.
            IoItemPtr tree = MxrObjectTree(rec->GetClassName(), IoItemPtr());
            BasePtr kept(new IoInt(1));
            EXPECT_EQ(SetFromIoItem(tree, kept), 1);
            EXPECT_EQ(kept->GetTypeId(), IoInt::ClassCode);
            continue;
        }
        ++classes;
        BasePtr made(rec->GetNewFuncPtr()());
        ASSERT_NE(made.GetPtr(), nullptr);
        IoItemPtr tree = GetIoItemFrom(made);
        const std::string text = Text(tree);
        // The tree starts with the class name.
        EXPECT_EQ(text.rfind(std::string("(") + rec->GetClassName(), 0), 0u) << text;

        BasePtr rebuilt;
        ASSERT_EQ(SetFromIoItem(tree, rebuilt), 0) << text;
        ASSERT_NE(rebuilt.GetPtr(), nullptr);
        EXPECT_NE(rebuilt.GetPtr(), made.GetPtr());
        EXPECT_EQ(rebuilt->GetTypeId(), code);
        EXPECT_EQ(Text(GetIoItemFrom(rebuilt)), text);
    }
    EXPECT_GE(classes, 10);
}
