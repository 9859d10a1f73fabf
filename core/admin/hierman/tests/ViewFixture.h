// A hierarchy view over panelaid's fakes, with a surface that records what the
// view asked of its window.
#pragma once

#include "FakeConsoleParts.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace hierman {

class RecordingSurface : public ViewSurface {
public:
    const std::string& DocumentTitle() const override { return title; }
    void RepaintCell(int column, int row) override { cells.push_back({column, row}); }
    void RepaintAll() override { ++repaintAll; }
    void CloseDocument() override { ++closes; }
    bool HasKeyboardFocus() const override { return focused; }
    void ScrollIntoView(int, int) override {}
    void IconSizeChanged(int pixels) override { iconSize = pixels; }

    std::string title = "SYSA";
    bool focused = true;
    int repaintAll = 0;
    int closes = 0;
    int iconSize = 0;
    std::vector<CellPos> cells;
};

class ViewFixture : public testing::Test, protected FakeConsoleParts {
protected:
    void MakeView() {
        view = std::make_unique<CHiermanView>(Services(), surface);
    }
    void AddResource(const std::string& tag, const std::string& state = "ISP", const std::string& machine = "SYSA") {
        panelaid::FakeConsoleDatabase::Instance i;
        i.tag = tag;
        i.id = tag + "-id";
        i.state = state;
        db.AddInstance(machine, i);
    }
    std::string TagAt(int column, int row) const {
        CMatrixCell* cell = view->Get(column, row);
        return cell ? cell->text : std::string();
    }

    RecordingSurface surface;
    std::unique_ptr<CHiermanView> view;
};

}  // namespace hierman
