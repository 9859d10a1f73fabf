// The hardware console offscreen on the fakes: the picture's boxes and lines
// at their computed places, the comm-path dialog driven to a new path, the
// refresh held off while it is open, the dialogs' layouts, and the end when
// the service goes.
#include "AttributesDialog.h"
#include "CommPathDialog.h"
#include "FakeConsoleDatabase.h"
#include "FakeLauncher.h"
#include "FakeMessageBoxes.h"
#include "FakeSettingsStore.h"
#include "FigurePainter.h"
#include "HwmanWindow.h"
#include "QtTestApp.h"
#include "QtWait.h"
#include "ShutdownDialog.h"
#include "TestPaths.h"
#include "TempSystemDir.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QImage>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>

#include <gtest/gtest.h>

namespace hwman {
namespace {

using Op = panelaid::FakeConsoleDatabase::Op;


struct NoDevices : PathResources {
    std::vector<std::string> SerialPorts() override { return ports; }
    bool SerialUsable(const std::string& p) override { return std::find(ports.begin(), ports.end(), p) != ports.end(); }
    std::vector<int> BaudRates(const std::string&) override { return {1200, 1800, 2400, 4800, 7200, 9600}; }
    std::vector<VolumeInfo> Volumes() override { return {}; }
    bool VolumeUsable(const std::string&, std::string*) override { return false; }
    std::vector<std::string> ports;
};

class HwmanWindowTest : public ::testing::Test {
protected:
    HwmanWindowTest() {
        panelaid::TestApp();
        db_.AddSystem("", "SYSA");
        db_.AddSystem("", "SYSB", 'D');
        AddPath("TCPIP:1500", 'l', 99, "ALIVE");
        AddPath("/dev/ttyS0", 'y', 69, "DEAD", 9600);
    }
    void AddPath(const std::string& device, char type, int priority, const std::string& state, int baud = 0) {
        AddTestPath(db_, "SYSB", device, type, priority, state, baud);
    }
    std::unique_ptr<HwmanWindow> Make() {
        auto w = std::make_unique<HwmanWindow>(HwmanParts{db_, boxes_, launcher_, windows_, resources_,
                                                          [this] { return service_; },
                                                          [](bool) { return 1; }, 20});
        w->Shell().resize(900, 700);
        return w;
    }

    hvtest::TempSystemDir sys_;
    panelaid::FakeConsoleDatabase db_{"SYSA"};
    panelaid::FakeMessageBoxes boxes_;
    panelaid::FakeLauncher launcher_;
    panelaid::FakeSettingsStore store_;
    panelaid::WindowSettings windows_{store_, boxes_};
    NoDevices resources_;
    int service_ = 1;
};

TEST_F(HwmanWindowTest, BoxesAndLinesArePaintedWhereTheLayoutPutThem) {
    auto w = Make();
    ASSERT_TRUE(w->Start());
    ASSERT_EQ(w->Doc().Systems().size(), 2u);
    const QImage image = w->View().viewport()->grab().toImage();
    const CHWMANSystem& a = *w->Doc().Systems()[0];
    const CHWMANSystem& b = *w->Doc().Systems()[1];
    // Inside each box, clear of its texts: the state colours.
    const auto inside = [&](const LRect& r) { return w->View().ToDevice(r.left + 10, (r.top + r.bottom) / 2 + 20); };
    EXPECT_EQ(image.pixelColor(inside(a.rect)), QColor(0, 255, 0));
    EXPECT_EQ(image.pixelColor(inside(b.rect)), QColor(255, 0, 0));
    // Each line a quarter of the way along: the path's status colour.
    ASSERT_EQ(a.Paths().size(), 2u);
    for (const auto& p : a.Paths()) {
        const QPoint at = w->View().ToDevice(p->x1 + (p->x2 - p->x1) / 8, p->y1);
        EXPECT_EQ(image.pixelColor(at), FigurePainter::PathColor(p->status)) << p->LabelText();
    }
    EXPECT_EQ(w->Shell().windowTitle(), QStringLiteral("SYSA - Holdervane: Hardware Administration"));
}

TEST_F(HwmanWindowTest, TheDialogMakesASocketPathAndHoldsTheRefreshOffWhileOpen) {
    auto w = Make();
    ASSERT_TRUE(w->Start());
    ASSERT_TRUE(panelaid::WaitForEvents([&] { return w->Shell().Frame().TimerArmed(); }));
    int stampsWhileOpen = -1;
    int stampsAtOpen = -1;
    QString proposedPort;
    int wakes = 0;
    QTimer::singleShot(0, &w->Shell(), [&] {
        auto* dialog = qobject_cast<CommPathDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        stampsAtOpen = db_.Calls(Op::Stamp);
        auto* poll = new QTimer(dialog);
        QObject::connect(poll, &QTimer::timeout, dialog, [&, dialog, poll] {
            if (!w->Shell().Frame().RefreshRequested() || ++wakes < 20) return;
            poll->stop();
            stampsWhileOpen = db_.Calls(Op::Stamp);
            proposedPort = dialog->findChild<QLineEdit*>(QStringLiteral("port"))->text();
            dialog->findChild<QComboBox*>(QStringLiteral("destination"))->setCurrentText(QStringLiteral("sysb"));
            dialog->accept();
        });
        poll->start(5);
    });
    w->Shell().Action(32778)->trigger();
    EXPECT_EQ(stampsWhileOpen, stampsAtOpen) << "a refresh ran while the dialog was open";
    EXPECT_EQ(proposedPort, QStringLiteral("1510"));
    panelaid::Records paths;
    ASSERT_TRUE(db_.NetworkList(nullptr, "SYSB", &paths));
    ASSERT_EQ(paths.size(), 3u);
    EXPECT_EQ(panelaid::SplitRecord(paths[2])[1], "TCPIP:1510");
    EXPECT_EQ(panelaid::SplitRecord(paths[2])[7], "94");
    EXPECT_EQ(w->Doc().Local()->Paths().size(), 3u);
    // The waiting refresh runs once the dialog is gone.
    const int after = db_.Calls(Op::Stamp);
    ASSERT_TRUE(panelaid::WaitForEvents([&] { return db_.Calls(Op::Stamp) > after; }));
}

TEST_F(HwmanWindowTest, TheConsoleClosesWhenTheServiceGoes) {
    auto w = Make();
    ASSERT_TRUE(w->Start());
    service_ = 0;
    ASSERT_TRUE(panelaid::WaitForEvents([&] { return !w->Shell().isVisible(); }));
    ASSERT_FALSE(boxes_.Shown().empty());
    EXPECT_EQ(boxes_.Shown().back().text,
              "Holdervane does not appear to be running.\nHoldervane: Hardware Administration will close now.");
}

TEST_F(HwmanWindowTest, WhileInitialisingCreateAndDeleteAreOffAndStopRefuses) {
    auto w = Make();
    ASSERT_TRUE(w->Start());
    w->Doc().Local()->Paths()[0]->selected = true;
    ASSERT_TRUE(panelaid::WaitForEvents([&] { return w->Shell().Action(32779)->isEnabled(); }));
    db_.SetInitializing(true);
    ASSERT_TRUE(panelaid::WaitForEvents([&] {
        return !w->Shell().Action(32778)->isEnabled() && !w->Shell().Action(32779)->isEnabled();
    }));
    EXPECT_TRUE(w->Shell().Action(32780)->isEnabled()) << "attributes stay on";
    w->Shell().Action(32775)->trigger();
    EXPECT_EQ(boxes_.Shown().back().text,
              "You cannot stop Holdervane while it is initializing.\nPlease wait for initialization to complete and "
              "try again.");
    EXPECT_TRUE(w->Shell().isVisible());
}

TEST_F(HwmanWindowTest, ZoomingOutLaysOutAgainAndScrollsAPageUp) {
    auto w = Make();
    ASSERT_TRUE(w->Start());
    w->Shell().resize(300, 200);
    ASSERT_TRUE(panelaid::WaitForEvents([&] { return w->View().verticalScrollBar()->maximum() > 0; }));
    QScrollBar* v = w->View().verticalScrollBar();
    v->setValue(v->maximum());
    const int before = v->value();
    // Two systems: each box is zoom * 175 / 100 wide.
    EXPECT_EQ(w->Doc().Local()->rect.Width(), 140);
    w->View().Key(kKeySubtract);
    EXPECT_EQ(w->Doc().Zoom(), 60);
    EXPECT_EQ(w->Doc().Local()->rect.Width(), 105);
    EXPECT_EQ(v->value(), std::max(0, before - v->pageStep()));
    w->View().Key(kKeyAdd);
    EXPECT_EQ(w->Doc().Zoom(), 80);
    EXPECT_EQ(w->Doc().Local()->rect.Width(), 140);
}

TEST_F(HwmanWindowTest, DialogLayoutsFollowTheType) {
    auto w = Make();
    ASSERT_TRUE(w->Start());
    FigureServices s{db_, boxes_, w->Shell().Status(), nullptr};
    {
        CommPathForm form(*w->Doc().Local(), resources_, s);
        CommPathDialog dialog(form);
        EXPECT_EQ(dialog.height(), dialog.FullHeight() - 30);
        auto* type = dialog.findChild<QComboBox*>(QStringLiteral("type"));
        type->setCurrentText(QStringLiteral("Serial Port"));
        EXPECT_EQ(type->currentText(), QStringLiteral("Socket")) << "no port: the type goes back";
        EXPECT_EQ(boxes_.Shown().back().text, "No Serial Port available for configuring\nSerial port(TTY) CommPath.");
    }
    resources_.ports = {"/dev/ttyS1"};
    {
        CommPathForm form(*w->Doc().Local(), resources_, s);
        CommPathDialog dialog(form);
        auto* type = dialog.findChild<QComboBox*>(QStringLiteral("type"));
        type->setCurrentText(QStringLiteral("Serial Port"));
        EXPECT_EQ(dialog.height(), dialog.FullHeight());
        EXPECT_EQ(dialog.findChild<QComboBox*>(QStringLiteral("baud"))->currentText(), QStringLiteral("9600"));
        EXPECT_EQ(dialog.findChild<QLineEdit*>(QStringLiteral("priority"))->text(), QStringLiteral("64"));
    }
    for (const auto& p : w->Doc().Local()->Paths()) {
        AttributesDialog attributes(*p, "SYSA");
        const bool serial = p->Type() == kSerialPort;
        EXPECT_EQ(attributes.height(), attributes.FullHeight() - (serial ? 0 : 29));
        EXPECT_EQ(attributes.findChild<QLineEdit*>(QStringLiteral("baud"))->isVisibleTo(&attributes), serial);
        EXPECT_EQ(attributes.windowTitle().toStdString(),
                  serial ? "Serial Port Communication Path Attributes" : "Socket Communication Path Attributes");
    }
    ShutdownDialog on(1, nullptr, [&](int id) { w->Shell().Frame().ShowHelp(id); });
    on.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Help)->click();
    EXPECT_EQ(launcher_.help, std::vector<std::string>{"hvntmain.hlp#3006"}) << "the dialog's help context";
    EXPECT_TRUE(on.findChild<QRadioButton*>(QStringLiteral("switchover"))->isChecked());
    EXPECT_EQ(on.Choice(), 1);
    on.findChild<QRadioButton*>(QStringLiteral("noSwitchover"))->click();
    EXPECT_EQ(on.Choice(), 0);
}

}  // namespace
}  // namespace hwman
