// Window placements and zoom factors kept per console program.
#include "FakeMessageBoxes.h"
#include "FakeSettingsStore.h"
#include "WindowSettings.h"

#include <gtest/gtest.h>

namespace panelaid {
namespace {

constexpr const char* kHier = "Holdervane: Hierarchy Administration";

class WindowSettingsTest : public ::testing::Test {
protected:
    FakeSettingsStore store_;
    FakeMessageBoxes boxes_;
    WindowSettings settings_{store_, boxes_};
};

TEST_F(WindowSettingsTest, TheProgramIsChosenByTitleInTheTablesOrder) {
    struct Case {
        const char* title;
        const char* program;
    };
    const Case cases[] = {
        {"Holdervane: Application Status", "APPSTAT"},
        {"Holdervane: Hardware Administration - SYSA", "HWMAN"},
        {kHier, "HIERMAN"},
        {"Holdervane: Hardware Administration / Holdervane: Application Status", "APPSTAT"},
        {"Holdervane: Hierarchy Administration Holdervane: Hardware Administration", "HWMAN"},
        {"Something else", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(WindowSettings::ProgramOf(c.title), c.program) << c.title;
}

TEST_F(WindowSettingsTest, AMaximizedFrameWithExtrasRoundTrips) {
    EXPECT_EQ(settings_.Save(kHier, nullptr, {1, 10, 20, 800, 600}, 3, 4), 1);
    const auto* v = store_.Find("HIERMAN", "Window");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(std::get<std::string>(*v), "1,10,20,800,600,3,4");
    WindowPlacement p;
    int e1 = 0, e2 = 0;
    EXPECT_EQ(settings_.Retrieve(kHier, nullptr, &p, &e1, &e2), 1);
    EXPECT_EQ(p.show, 1);
    EXPECT_EQ(p.left, 10);
    EXPECT_EQ(p.top, 20);
    EXPECT_EQ(p.width, 800);
    EXPECT_EQ(p.height, 600);
    EXPECT_EQ(e1, 3);
    EXPECT_EQ(e2, 4);
}

TEST_F(WindowSettingsTest, AChildWindowsFiveFieldsLeaveTheExtrasAsTheyWere) {
    const std::string child = "SYSA hierarchies";
    EXPECT_EQ(settings_.Save(kHier, &child, {-1, 5, 6, 70, 80}, 3, 4), 1);
    EXPECT_EQ(std::get<std::string>(*store_.Find("HIERMAN", child)), "-1,5,6,70,80");
    // Even a child value that holds more fields gives no extras.
    store_.SetText("HIERMAN", "other", "0,1,2,3,4,5,6");
    WindowPlacement p;
    int e1 = 77, e2 = 88;
    const std::string other = "other";
    EXPECT_EQ(settings_.Retrieve(kHier, &other, &p, &e1, &e2), 1);
    EXPECT_EQ(p.height, 4);
    EXPECT_EQ(e1, 77);
    EXPECT_EQ(e2, 88);
}

TEST_F(WindowSettingsTest, MissingOrGarbledFieldsLeaveTheirOutputsAndLongValuesAreRefused) {
    WindowPlacement p{9, 9, 9, 9, 9};
    int e1 = 7, e2 = 7;
    store_.SetText("HIERMAN", "Window", "1,x,,30");
    EXPECT_EQ(settings_.Retrieve(kHier, nullptr, &p, &e1, &e2), 1);
    EXPECT_EQ(p.show, 1);
    EXPECT_EQ(p.left, 9);
    EXPECT_EQ(p.top, 9);
    EXPECT_EQ(p.width, 30);
    EXPECT_EQ(p.height, 9);
    EXPECT_EQ(e1, 7);
    EXPECT_EQ(e2, 7);
    store_.SetText("HIERMAN", "Window", "1,99999999999,2 junk,3");
    EXPECT_EQ(settings_.Retrieve(kHier, nullptr, &p, &e1, &e2), 1);
    EXPECT_EQ(p.left, 9);
    EXPECT_EQ(p.top, 9);
    EXPECT_EQ(p.width, 3);
    // A value longer than the 80-byte buffer is not read at all.
    store_.SetText("HIERMAN", "Window", std::string(100, '1'));
    EXPECT_EQ(settings_.Retrieve(kHier, nullptr, &p, &e1, &e2), 0);
    EXPECT_EQ(p.width, 3);
    EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(WindowSettingsTest, AKeyThatCannotBeOpenedIsReportedAndNothingIsWritten) {
    store_.RefuseKey("HWMAN");
    EXPECT_EQ(settings_.SaveZoom("Holdervane: Hardware Administration", 120), 0);
    int zoom = 5;
    EXPECT_EQ(settings_.RetrieveZoom("Holdervane: Hardware Administration", &zoom), 0);
    EXPECT_EQ(zoom, 5);
    ASSERT_EQ(boxes_.Shown().size(), 2u);
    EXPECT_EQ(boxes_.Shown()[0].text, "Error Opening/Creating Registry Key.");
    // An unknown title writes nowhere.
    EXPECT_EQ(settings_.Save("Notepad", nullptr, {}, 0, 0), 0);
    EXPECT_EQ(settings_.SaveZoom("Holdervane: Application Status", 150), 1);
    EXPECT_EQ(settings_.RetrieveZoom("Holdervane: Application Status", &zoom), 1);
    EXPECT_EQ(zoom, 150);
    EXPECT_EQ(settings_.RetrieveZoom(kHier, &zoom), 0);
    EXPECT_EQ(zoom, 150);
}

}  // namespace
}  // namespace panelaid
