// The comm-path dialog's logic: proposals, the type switch, and the
// validation of OK with its texts, on a fake set of ports and volumes.
#include "CommPathForm.h"
#include "HwmanFixture.h"

namespace hwman {
namespace {

using panelaid::BoxAnswer;

struct FakeResources : PathResources {
    std::vector<std::string> SerialPorts() override { return ports; }
    bool SerialUsable(const std::string& port) override {
        return std::find(ports.begin(), ports.end(), port) != ports.end();
    }
    std::vector<int> BaudRates(const std::string& port) override {
        return SerialUsable(port) ? std::vector<int>(std::begin(kDialogRates), std::end(kDialogRates))
                                  : std::vector<int>{};
    }
    std::vector<VolumeInfo> Volumes() override { return volumes; }
    bool VolumeUsable(const std::string& volume, std::string* fileSystem) override {
        for (const VolumeInfo& v : volumes)
            if (v.name == volume) {
                *fileSystem = v.fileSystem;
                return true;
            }
        return false;
    }
    std::vector<std::string> ports;
    std::vector<VolumeInfo> volumes;
};

constexpr const char* kHeader = "Following Fields of Communication Create Dailog Box have inavlid value.\n\n";

class CommPathFormTest : public HwmanFixture {
protected:
    void SetUp() override {
        db_.AddSystem("", "SYSA");
        db_.AddSystem("", "SYSB");
        AddPath("SYSB", "TCPIP:1500", 'l', 99);
        AddPath("SYSB", "TCPIP:1510", 'l', 94);
        AddPath("SYSB", "/dev/ttyS0", 'y', 69, "ALIVE", 9600);
        resources_.ports = {"/dev/ttyS1", "/dev/ttyS2"};
        resources_.volumes = {{"E:", "/dev/loop1", "ext4"}, {"F:", "/dev/loop2", ""}};
        doc_.OnNewDocument();
        doc_.Load();
        form_ = std::make_unique<CommPathForm>(*doc_.Local(), resources_, services_);
        form_->Open();
    }
    PathFields Good() const { return {"SYSB", "50", "6", "5", "2000", "/dev/ttyS1", "9600", "F:"}; }

    FakeResources resources_;
    FigureServices services_ = Services();
    std::unique_ptr<CommPathForm> form_;
};

TEST_F(CommPathFormTest, ProposalsSkipWhatThePathsUse) {
    EXPECT_EQ(form_->TypeText(), "Socket");
    EXPECT_EQ(form_->ProposedPriority(), 89);
    EXPECT_EQ(form_->ProposedPort(), 1520);
    EXPECT_EQ(form_->Destinations(), std::vector<std::string>{"SYSB"});
    EXPECT_EQ(form_->SerialPorts(), (std::vector<std::string>{"/dev/ttyS1", "/dev/ttyS2"}));
    ASSERT_EQ(form_->BaudRates().size(), 9u);
    EXPECT_EQ(form_->BaudRates()[static_cast<std::size_t>(form_->ChosenBaudIndex())], 9600);
    EXPECT_EQ(form_->ChosenVolumeIndex(), 1) << "the volume without a file system is chosen";
    EXPECT_EQ(bar_.Last(), "Creating Socket Comm Path");

    ASSERT_TRUE(form_->ChooseType("Serial Port"));
    EXPECT_EQ(form_->TypeCode(), "TTY");
    EXPECT_EQ(form_->ProposedPriority(), 64);
    EXPECT_EQ(bar_.Last(), "Creating Serial Port Comm Path");
    ASSERT_TRUE(form_->ChooseType("Shared Disk"));
    EXPECT_EQ(form_->ProposedPriority(), 39);
}

TEST_F(CommPathFormTest, ATypeWithoutDevicesIsRefusedAndTheTypeStays) {
    resources_.ports.clear();
    resources_.volumes.clear();
    form_->Open();
    EXPECT_FALSE(form_->ChooseType("Serial Port"));
    EXPECT_EQ(boxes_.Shown().back().text, "No Serial Port available for configuring\nSerial port(TTY) CommPath.");
    EXPECT_FALSE(form_->ChooseType("Shared Disk"));
    EXPECT_EQ(boxes_.Shown().back().text, "No Volume available for configuring\nShared Disk(SCSI) CommPath.");
    EXPECT_EQ(form_->TypeCode(), "TCPIP");
}

TEST_F(CommPathFormTest, ValidationRefusesEachBadFieldWithItsText) {
    struct Case {
        const char* type;
        PathFields fields;
        const char* line;  // "" accepted
        PathField focus;
    };
    const PathFields g = Good();
    auto with = [&](auto member, const char* value) {
        PathFields f = g;
        f.*member = value;
        return f;
    };
    const Case cases[] = {
        {"Socket", g, "", PathField::None},
        {"Socket", with(&PathFields::destination, ""), "-Select/Enter a Destination System.\n", PathField::Destination},
        {"Socket", with(&PathFields::destination, "SYS B"), "-Enter a valid destination system name.\n",
         PathField::Destination},
        {"Socket", with(&PathFields::destination, std::string(80, 'A').c_str()),
         "-Enter a valid destination system name.\n", PathField::Destination},
        {"Socket", with(&PathFields::destination, "SYSA"), "-Enter a proper destination system name.\n",
         PathField::Destination},
        {"Socket", with(&PathFields::destination, "sysa"), "-Enter a proper destination system name.\n",
         PathField::Destination},
        {"Socket", with(&PathFields::priority, "12abc"), "-Please enter an integer between 1 and 99 for Priority.\n",
         PathField::Priority},
        {"Socket", with(&PathFields::priority, "-1"), "-Please enter an integer between 1 and 99 for Priority.\n",
         PathField::Priority},
        {"Socket", with(&PathFields::priority, "99999999999"),
         "-Please enter an integer between 1 and 99 for Priority.\n", PathField::Priority},
        {"Socket", with(&PathFields::priority, "0"), "-Please enter an integer between 1 and 99 for Priority.\n",
         PathField::Priority},
        {"Socket", with(&PathFields::priority, "94"), "-Duplicate priority.\n", PathField::Priority},
        {"Socket", with(&PathFields::interval, "16"),
         "-Please enter an integer between 4 and 15 for Heartbeat Interval.\n", PathField::Interval},
        {"Socket", with(&PathFields::interval, "15"), "", PathField::None},
        {"Socket", with(&PathFields::interval, "3"),
         "-Please enter an integer between 4 and 15 for Heartbeat Interval.\n", PathField::Interval},
        {"Socket", with(&PathFields::misses, "2"),
         "-Please enter an integer between 3 and 99 for Maximum Heartbeat Misses.\n", PathField::Misses},
        {"Socket", with(&PathFields::misses, "100"),
         "-Please enter an integer between 3 and 99 for Maximum Heartbeat Misses.\n", PathField::Misses},
        {"Socket", with(&PathFields::port, "10000"), "", PathField::None},
        {"Socket", with(&PathFields::port, "10001"),
         "-Please enter an integer between 1500 and 10000 for TCP/IP Port#.\n", PathField::Port},
        {"Socket", with(&PathFields::port, "1499"),
         "-Please enter an integer between 1500 and 10000 for TCP/IP Port#.\n", PathField::Port},
        {"Socket", with(&PathFields::port, "1510"), "-Duplicate TCP/IP Port#", PathField::Port},
        {"Serial Port", g, "", PathField::None},
        {"Serial Port", with(&PathFields::serialPort, "/dev/ttyS0"), "-Check SerialPort.\n", PathField::SerialPort},
        {"Serial Port", with(&PathFields::serialPort, "/etc/passwd"), "-Check SerialPort.\n",
         PathField::SerialPort},
        {"Shared Disk", with(&PathFields::volume, "Q:"), "-Cannot Use This Drive for Shared Disk Commpath;\n",
         PathField::Volume},
        {"Shared Disk", with(&PathFields::volume, ""), "-Cannot Use This Drive for Shared Disk Commpath;\n",
         PathField::Volume},
    };
    for (const Case& c : cases) {
        panelaid::FakeMessageBoxes boxes;
        panelaid::FakeStatusDisplay bar;
        int beeps = 0;
        FigureServices s{db_, boxes, bar, [&] { ++beeps; }};
        CommPathForm form(*doc_.Local(), resources_, s);
        form.Open();
        ASSERT_TRUE(form.ChooseType(c.type));
        PathField focus = PathField::Destination;
        const bool ok = form.Accept(c.fields, &focus);
        const std::string what = std::string(c.type) + " " + c.line;
        EXPECT_EQ(ok, *c.line == '\0') << what;
        EXPECT_EQ(focus, c.focus) << what;
        if (*c.line == '\0') {
            EXPECT_TRUE(boxes.Shown().empty()) << what;
            EXPECT_EQ(beeps, 0);
            EXPECT_EQ(bar.Last(), "Ready");
        } else {
            ASSERT_EQ(boxes.Shown().size(), 1u) << what;
            EXPECT_EQ(boxes.Shown()[0].text, std::string(kHeader) + c.line) << what;
            EXPECT_EQ(boxes.Shown()[0].icon, panelaid::BoxIcon::Error);
            EXPECT_EQ(beeps, 1) << what;
        }
    }
}

TEST_F(CommPathFormTest, EveryBadFieldIsListedAndTheFirstTakesTheFocus) {
    PathField focus = PathField::None;
    EXPECT_FALSE(form_->Accept({"sysb", "abc", "99", "1", "5", "", "", ""}, &focus));
    EXPECT_EQ(focus, PathField::Priority);
    EXPECT_EQ(boxes_.Shown().back().text,
              std::string(kHeader) + "-Please enter an integer between 1 and 99 for Priority.\n" +
                  "-Please enter an integer between 4 and 15 for Heartbeat Interval.\n" +
                  "-Please enter an integer between 3 and 99 for Maximum Heartbeat Misses.\n" +
                  "-Please enter an integer between 1500 and 10000 for TCP/IP Port#.\n");
    EXPECT_EQ(beeps_, 4);
}

TEST_F(CommPathFormTest, AcceptedFieldsBecomeThePathToCreate) {
    PathField focus;
    ASSERT_TRUE(form_->Accept({" sysc", "50", "6", "5", "2000", "", "", ""}, &focus) == false);
    ASSERT_TRUE(form_->Accept({"sysc", " 50 ", "6", "5", "2000", "", "", ""}, &focus));
    EXPECT_EQ(form_->Destination(), "SYSC");
    EXPECT_EQ(form_->Result().device, "TCPIP:2000");
    EXPECT_EQ(form_->Result().priority, 50);

    ASSERT_TRUE(form_->ChooseType("Serial Port"));
    ASSERT_TRUE(form_->Accept({"SYSB", "60", "6", "5", "", "/dev/ttyS2", "14400", ""}, &focus));
    EXPECT_EQ(form_->Result().type, "Serial Port");
    EXPECT_EQ(form_->Result().device, "/dev/ttyS2");
    EXPECT_EQ(form_->Result().baud, 14400);
}

TEST_F(CommPathFormTest, AVolumeWithAFileSystemAsksBeforeItIsTaken) {
    ASSERT_TRUE(form_->ChooseType("Shared Disk"));
    PathField focus;
    boxes_.Answer(BoxAnswer::No);
    EXPECT_FALSE(form_->Accept({"SYSB", "30", "6", "5", "", "", "", "E:"}, &focus));
    EXPECT_EQ(focus, PathField::None);
    EXPECT_EQ(boxes_.Shown().back().text,
              "Drive you have Selected, for Shared Disk comm path,\nis a valid ext4 file system.\nSelecting this "
              "Drive (E:) will destory data on the drive.\n\nAre you sure you want to continue???\n");
    boxes_.Answer(BoxAnswer::Yes);
    EXPECT_TRUE(form_->Accept({"SYSB", "30", "6", "5", "", "", "", "E:"}, &focus));
    const std::size_t shown = boxes_.Shown().size();
    EXPECT_TRUE(form_->Accept({"SYSB", "30", "6", "5", "", "", "", "F:"}, &focus));
    EXPECT_EQ(boxes_.Shown().size(), shown) << "a volume without a file system needs no question";
    EXPECT_EQ(form_->Result().device, "F:");
}

}  // namespace
}  // namespace hwman
