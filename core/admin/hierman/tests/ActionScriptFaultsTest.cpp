// Real administration scripts that go wrong under a worker: missing, not
// executable, killed, or printing far more than is kept. Each failure is
// offered for retry with its condition and the action goes on to its end.
#include "ActionFixture.h"
#include "ProcessScriptRunner.h"
#include "ScriptFixture.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace hierman {
namespace {

using Strings = std::vector<std::string>;

class RealScriptHost : public RecordingHost {
public:
    explicit RealScriptHost(std::string root) : root_(std::move(root)) {}
    std::unique_ptr<panelaid::ScriptRunner> NewScriptRunner() override {
        return std::make_unique<panelaid::ProcessScriptRunner>([this] { return root_; }, pump_);
    }

private:
    std::string root_;
    panelaid::BlockingWaitPump pump_;
};

class ActionScriptFaults : public ActionFixture {
protected:
    Strings Journal() const {
        std::ifstream in(root.Path() + "/journal");
        Strings lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    void SetUp() override {
        ActionFixture::SetUp();
        AddResource("H1");
        BackedUp("H1");
    }
    void DeleteH1() {
        MakeView();
        view->UpdateView(false);
        RealScriptHost real(root.Path());
        ViewActions a(Services(), *view, surface, real, runner, [] { return false; });
        Select("H1");
        a.Run(kCmdDeleteHierarchy);
    }

    panelaid::ScriptRoot root;
};

TEST_F(ActionScriptFaults, AScriptThatCannotRunOrDiesIsOfferedForRetryAtEachStep) {
    struct Case {
        const char* what;
        std::function<void(panelaid::ScriptRoot&)> make;
    } cases[] = {
        {"missing", [](panelaid::ScriptRoot&) {}},
        {"not executable",
         [](panelaid::ScriptRoot& r) {
             r.Script("/admin/bin/Delete", "exit 0\n");
             std::filesystem::permissions(r.Path() + "/admin/bin/Delete", std::filesystem::perms::owner_read);
         }},
        {"killed", [](panelaid::ScriptRoot& r) { r.Script("/admin/bin/Delete", "kill -9 $$\n"); }},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(root.Path() + "/admin");
        c.make(root);
        const std::size_t before = boxes.Shown().size();
        DeleteH1();
        const auto shown = boxes.Shown();
        // PreDelete, the hierarchy and PostDelete: each failed and was
        // answered with Abort (no answer given), and the next one ran.
        ASSERT_EQ(shown.size() - before, 3u) << c.what;
        for (std::size_t i = before; i < shown.size(); ++i) {
            EXPECT_NE(shown[i].text.find("sh.Execute(\"/admin/bin/Delete\", args) == 0"), std::string::npos) << c.what;
            EXPECT_EQ(shown[i].buttons, panelaid::BoxButtons::AbortRetryIgnore) << c.what;
        }
    }
}

TEST_F(ActionScriptFaults, HugeOutputIsCutAndTheActionGoesOn) {
    // 100 MiB of output lines from every call; each call is journalled.
    root.Script("/admin/bin/Delete",
                "echo \"$*\" >>\"" + root.Path() +
                    "/journal\"\nyes 0123456789012345678901234567890123456789 | head -c 104857600\nexit 0\n");
    DeleteH1();
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(Journal(), (Strings{"SYSA SYSB .PreDelete 4242", "SYSA SYSB H1 4242", "SYSA SYSB .PostDelete 4242"}));
}

}  // namespace
}  // namespace hierman
