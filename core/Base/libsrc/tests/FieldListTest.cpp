// The field list drives the encodings: entries in wire order with their keys,
// the base's part first, enumeration converters reachable from the entry.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "CoreTestClasses.h"
#include "IoItem.h"

namespace {

// Walks every class's list from the root down: the order any encoding sees.
struct KeyRecorder {
    std::vector<std::string>* keys;

    int Base(const BaseVirtItem&) { return 0; }
    template <class B>
    int Base(const B& base) {
        return MxrVisitFields(base, KeyRecorder{keys});
    }
    template <class Desc, class T>
    int Field(const Desc& desc, const T&) {
        keys->push_back(desc.key);
        return 0;
    }
};

}  // namespace

TEST(FieldList, OwnFieldsComeInListOrderWithKeysAndMembers) {
    Probe probe(5);
    probe.colour = Probe::BLUE;
    std::vector<std::string> keys;
    int enumFields = 0;
    int rc = MxrForEachOwnField(probe, [&](const auto& desc, auto& value) {
        keys.push_back(desc.key);
        using D = std::remove_cvref_t<decltype(desc)>;
        if constexpr (D::isEnum) {
            ++enumFields;
            EXPECT_EQ(value, Probe::BLUE);
            EXPECT_EQ(desc.enumCvt()->GetStr(Probe::BLUE), "BLUE");  // the class's converter getter
        } else if constexpr (std::is_same_v<typename D::Value, int>) {
            EXPECT_EQ(value, 5);
            value = 6;  // the entry reaches the member itself
        }
        return 0;
    });
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(keys, (std::vector<std::string>{"label", "colour", "next"}));
    EXPECT_EQ(enumFields, 1);
    EXPECT_EQ(probe.label, 6);
}

TEST(FieldList, FirstNonZeroResultStopsTheWalk) {
    Probe probe;
    int visited = 0;
    int rc = MxrForEachOwnField(probe, [&](const auto&, auto&) { return ++visited == 2 ? 7 : 0; });
    EXPECT_EQ(rc, 7);
    EXPECT_EQ(visited, 2);
}

TEST(FieldList, BasePartComesBeforeOwnFieldsAcrossThreeLevels) {
    const Puppy puppy;
    std::vector<std::string> keys;
    EXPECT_EQ(MxrVisitFields(puppy, KeyRecorder{&keys}), 0);
    EXPECT_EQ(keys, (std::vector<std::string>{"legs", "name", "weight", "ageWeeks"}));

    keys.clear();
    const Cat cat;
    EXPECT_EQ(MxrVisitFields(cat, KeyRecorder{&keys}), 0);
    EXPECT_EQ(keys, (std::vector<std::string>{"legs"}));
}

TEST(FieldList, GeneratedFreeFunctionsRunThroughBaseAndOwnFields) {
    // Reading from nothing finds no key: success, nothing changed. Writing
    // gives one cell per field, the base's first.
    Puppy puppy;
    EXPECT_EQ(SetFromIoItem(IoItemPtr(), puppy), 0);
    EXPECT_EQ(puppy.SetFromIoItem(IoItemPtr()), 0);
    EXPECT_EQ(puppy.ageWeeks, 8);
    std::ostringstream text;
    GetIoItemFrom(puppy)->Display(text);
    EXPECT_EQ(text.str(), "((legs 4)\n\t(name \"rex\")\n\t(weight 20.5)\n\t(ageWeeks 8))");
}
