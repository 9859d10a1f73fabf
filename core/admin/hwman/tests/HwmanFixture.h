// The hardware console's logic on panelaid's fakes: a local database with
// systems and paths, the boxes, the status bar and the beeps.
#pragma once

#include "CHWMANDoc.h"
#include "FakeConsoleDatabase.h"
#include "FakeMessageBoxes.h"
#include "FakeSettingsStore.h"
#include "FakeStatusDisplay.h"
#include "TestPaths.h"

#include <gtest/gtest.h>

namespace hwman {

struct RecordingDocHost : DocumentHost {
    void UpdateAllViews(int hint) override { hints.push_back(hint); }
    void Abort(int code) override { aborts.push_back(code); }
    bool AskShutdownStrategy(int initial, int* choice) override {
        initials.push_back(initial);
        if (!ok) return false;
        *choice = answer < 0 ? initial : answer;
        return true;
    }
    std::vector<int> hints;
    std::vector<int> aborts;
    std::vector<int> initials;
    bool ok = true;
    int answer = -1;  // -1: OK without a click
};

class HwmanFixture : public ::testing::Test {
protected:
    FigureServices Services() { return FigureServices{db_, boxes_, bar_, [this] { ++beeps_; }}; }

    // A path from the local system in the local database.
    void AddPath(const std::string& to, const std::string& device, char type, int priority,
                 const std::string& state = "ALIVE", int baud = 0) {
        AddTestPath(db_, to, device, type, priority, state, baud);
    }
    void RemovePath(const std::string& to, const std::string& device) {
        ASSERT_EQ(db_.NetworkRemove(nullptr, to.c_str(), device.c_str()), 0);
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> out;
        for (const auto& f : doc_.Systems()) out.push_back(f->Name());
        return out;
    }
    std::vector<std::string> Labels() const {
        std::vector<std::string> out;
        if (doc_.Local() == nullptr) return out;
        for (const auto& p : doc_.Local()->Paths()) out.push_back(p->DestinationName() + " " + p->LabelText());
        return out;
    }

    panelaid::FakeConsoleDatabase db_{"SYSA"};
    panelaid::FakeMessageBoxes boxes_;
    panelaid::FakeStatusDisplay bar_;
    panelaid::FakeSettingsStore store_;
    panelaid::WindowSettings windows_{store_, boxes_};
    RecordingDocHost host_;
    int beeps_ = 0;
    CHWMANDoc doc_{Services(), windows_, host_};
};

}  // namespace hwman
