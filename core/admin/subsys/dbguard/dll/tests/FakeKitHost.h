// KitHost over panelaid's fakes: one scripted runner answers every runner
// the kit asks for (so its calls form one journal), other kits answer
// through functions, the help viewer and status stack are recorded.
#pragma once

#include "Advisor.h"
#include "FakeConsoleDatabase.h"
#include "FakeMessageBoxes.h"
#include "FakeScriptRunner.h"
#include "FakeStatusDisplay.h"
#include "KitHost.h"

#include <functional>
#include <set>

namespace dbguard {

class FakeKitHost : public KitHost {
public:
    panelaid::FakeConsoleDatabase db{"NODE1", "/root"};
    panelaid::FakeMessageBoxes boxes;
    panelaid::FakeScriptRunner runner;
    panelaid::FakeStatusDisplay status;
    panelaid::Advisor advisor{db, boxes};
    std::function<void(RecoveryKitControlBlock*)> onEnum = [](RecoveryKitControlBlock* b) { b->m_status = 4; };
    std::function<void(RecoveryKitControlBlock*)> onCreate = [](RecoveryKitControlBlock* b) { b->m_status = 2; };
    // Called after each script run, as the real script's effects would follow it.
    std::function<void(const std::string& script)> onScript = [](const std::string&) {};
    std::vector<RecoveryKitControlBlock> enumCalls, createCalls;
    std::set<std::string> files;
    std::vector<int> help;
    std::vector<std::string> pushed;
    int runnersMade = 0;

    panelaid::ConsoleDatabase& Db() override { return db; }
    panelaid::MessageBoxes& Boxes() override { return boxes; }
    std::unique_ptr<panelaid::ScriptRunner> NewRunner() override {
        ++runnersMade;
        return std::make_unique<Shared>(runner, onScript);
    }
    int Advise(const char* text, const char* file, int line) override { return advisor.Advise(text, file, line); }
    void EnumHierarchy(RecoveryKitControlBlock* block) override {
        enumCalls.push_back(*block);
        onEnum(block);
    }
    void CreateHierarchy(RecoveryKitControlBlock* block) override {
        createCalls.push_back(*block);
        onCreate(block);
    }
    bool RootFileExists(const std::string& relative) override { return files.count(relative) > 0; }
    panelaid::StatusDisplay* StatusOf(RecoveryKitControlBlock*) override { return &status; }
    const char* PushStatus(const char* text, RecoveryKitControlBlock*) override {
        pushed.push_back(text);
        return nullptr;
    }
    void PopStatus(const char*, RecoveryKitControlBlock*) override {}
    void ShowHelp(int context) override { help.push_back(context); }

    // The texts of every box shown so far.
    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> t;
        for (const auto& b : boxes.Shown()) t.push_back(b.text);
        return t;
    }
    // "<script> <args>" of every run so far.
    std::vector<std::string> Journal() const {
        std::vector<std::string> j;
        for (const auto& c : runner.calls) j.push_back(c.script + (c.args.empty() ? "" : " " + c.args));
        return j;
    }

private:
    class Shared : public panelaid::ScriptRunner {
    public:
        Shared(panelaid::FakeScriptRunner& r, std::function<void(const std::string&)>& after) : r_(r), after_(after) {}
        int Execute(const std::string& s, const std::string& a, const panelaid::Environment& e) override {
            const int rc = r_.Execute(s, a, e);
            after_(s);
            return rc;
        }
        const std::string& NextLine() override { return r_.NextLine(); }
        int LinesLeft() const override { return r_.LinesLeft(); }
        void ProgressText(const char* text, panelaid::StatusDisplay* bar) override { r_.ProgressText(text, bar); }

    private:
        panelaid::FakeScriptRunner& r_;
        std::function<void(const std::string&)>& after_;
    };
};

}  // namespace dbguard
