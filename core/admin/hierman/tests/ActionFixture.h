// A hierarchy view with its administrator actions over panelaid's fakes: a
// console that records confirmations, refreshes, kit calls and sheets, one
// recording script runner shared by every worker, and the inline runner.
#pragma once

#include "FakeScriptRunner.h"
#include "ViewActions.h"
#include "ViewFixture.h"

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace hierman {

// Hands every worker the same recording runner.
class SharedScriptRunner : public panelaid::ScriptRunner {
public:
    explicit SharedScriptRunner(panelaid::ScriptRunner& to) : to_(to) {}
    int Execute(const std::string& script, const std::string& args, const panelaid::Environment& env = {}) override {
        return to_.Execute(script, args, env);
    }
    const std::string& NextLine() override { return to_.NextLine(); }
    int LinesLeft() const override { return to_.LinesLeft(); }
    void ProgressText(const char* text, panelaid::StatusDisplay* bar) override { to_.ProgressText(text, bar); }

private:
    panelaid::ScriptRunner& to_;
};

class RecordingHost : public ActionHost {
public:
    bool Confirm(const std::string& text, const std::string& tag) override {
        confirms.push_back(text + " | " + tag);
        if (onConfirm) onConfirm();
        if (confirmAnswers.empty()) return true;
        const bool ok = confirmAnswers.front();
        confirmAnswers.pop_front();
        return ok;
    }
    void RefreshAllViews() override { ++refreshes; }
    std::string ProcessId() override { return "4242"; }
    std::unique_ptr<panelaid::ScriptRunner> NewScriptRunner() override {
        return std::make_unique<SharedScriptRunner>(scripts);
    }
    void CreateHierarchy(RecoveryKitControlBlock* block) override {
        blocks.push_back(*block);
        block->m_status = kitStatus;
    }
    void ShowAttributes(const AttributeSheetData& data) override {
        sheets.push_back(data);
        if (onSheet) onSheet();
    }

    // "Remove SYSB SYSA H2 4242" for each script run, in order.
    std::vector<std::string> Scripts() const {
        std::vector<std::string> out;
        for (const auto& call : scripts.calls) {
            const std::size_t slash = call.script.rfind('/');
            out.push_back(call.script.substr(slash + 1) + " " + call.args);
        }
        return out;
    }

    std::deque<bool> confirmAnswers;
    std::vector<std::string> confirms;
    int refreshes = 0;
    int kitStatus = kKitStatusDone;
    std::vector<RecoveryKitControlBlock> blocks;
    std::vector<AttributeSheetData> sheets;
    std::function<void()> onSheet;
    std::function<void()> onConfirm;
    panelaid::FakeScriptRunner scripts;
};

// The inline runner with a step before each job: a test changes the view
// there as the GUI thread could while a worker runs.
class SteppingRunner : public InlineActionRunner {
public:
    int Run(const ActionJobFn& job) override {
        if (beforeJob) beforeJob();
        return InlineActionRunner::Run(job);
    }
    std::function<void()> beforeJob;
};

class ActionFixture : public ViewFixture {
protected:
    // SYSA (the view's system) and SYSB, both alive.
    void SetUp() override {
        for (const char* name : {"SYSA", "SYSB"}) db.AddSystem("SYSA", name, 'A');
    }
    void Open() {
        MakeView();
        view->UpdateView(false);
        actions = std::make_unique<ViewActions>(Services(), *view, surface, host, runner, [] { return false; });
    }
    // A resource in SYSA's and SYSB's databases with the two states.
    void AddPair(const std::string& tag, const std::string& stateA, const std::string& stateB) {
        AddResource(tag, stateA, "SYSA");
        AddResource(tag, stateB, "SYSB");
    }
    void Depend(const std::string& parent, const std::string& child) {
        db.AddDependency("SYSA", parent, child);
        db.AddDependency("SYSB", parent, child);
    }
    // tag's hierarchy has SYSB as its backup.
    void BackedUp(const std::string& tag) { db.AddEquivalency("SYSA", "SYSA", tag, "SYSB", tag); }
    void Select(const std::string& tag) {
        CMatrixCell* cell = view->FindCell(tag);
        ASSERT_NE(cell, nullptr) << tag;
        cell->selected = true;
    }
    void Expand(const std::string& tag) { ASSERT_TRUE(view->ExpandCell(view->FindCell(tag), false)) << tag; }
    void Answer(panelaid::BoxAnswer a) { boxes.Answer(a); }
    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> out;
        for (const auto& b : boxes.Shown()) out.push_back(b.text);
        return out;
    }

    RecordingHost host;
    SteppingRunner runner;
    std::unique_ptr<ViewActions> actions;
};

}  // namespace hierman
