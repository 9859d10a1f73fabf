#include "CMachineBar.h"

#include "CHiermanView.h"

#include <set>
#include <vector>

namespace hierman {

namespace {

std::vector<std::string> SystemNames(panelaid::ConsoleDatabase& db, bool* listed) {
    panelaid::Records records;
    std::vector<std::string> names;
    *listed = db.SystemList(nullptr, &records);
    db.ClearError();
    for (const std::string& record : records) {
        std::vector<std::string> fields = panelaid::SplitRecord(record);
        if (!fields.empty() && !fields[0].empty()) names.push_back(fields[0]);
    }
    return names;
}

}  // namespace

int CMachineBar::Matrix::ChooseIcon(const std::string& tag, bool) { return MachineState(db_, tag); }

CMachineBar::CMachineBar(panelaid::ConsoleDatabase& db, panelaid::MessageBoxes& boxes, std::function<int()> serviceUp,
                         MachineBarHost& host)
    : db_(db), boxes_(boxes), serviceUp_(std::move(serviceUp)), host_(host), matrix_(db) {}

int CMachineBar::SystemCount() {
    if (serviceUp_() == 0) return 0;
    bool listed = false;
    return static_cast<int>(SystemNames(db_, &listed).size());
}

void CMachineBar::Create() {
    const int n = SystemCount();
    Rebuild(1, kBarGroupWidth * (n > 0 ? n : 1));
}

void CMachineBar::Rebuild(int lines, int columns) {
    matrix_.Create(lines, columns, 1, kBarGroupWidth);
    Fill();
    focus_ = {0, 0};
}

void CMachineBar::Fill() {
    if (serviceUp_() == 0) return;
    bool listed = false;
    for (const std::string& name : SystemNames(db_, &listed))
        if (CMatrixCell* cell = matrix_.AddRoot(name)) matrix_.IconOf(cell);
}

CMachineBar::Size CMachineBar::Layout(int parentWidth, int parentHeight) {
    const int perLine = parentWidth / (kBarGroupWidth * IconSize());
    if (perLine <= 0) return {parentWidth, parentHeight};
    const int count = SystemCount();
    const int lines = (count + perLine - 1) / perLine;
    if (lines == 0) return {0, 0};
    if (lines != matrix_.Rows() || kBarGroupWidth * perLine != matrix_.Columns()) {
        const bool marked = focusMark_;
        SetFocusMark(false);
        CancelPending();
        Rebuild(lines, kBarGroupWidth * perLine);
        SetFocusMark(marked);
    }
    return {parentWidth, lines * IconSize()};
}

void CMachineBar::Update() {
    bool listed = false;
    const std::vector<std::string> names = SystemNames(db_, &listed);
    if (!listed) return;
    int changes = 0;
    const std::set<std::string> wanted(names.begin(), names.end());
    for (const std::string& name : names) {
        if (matrix_.FindRoot(name)) continue;
        if (CMatrixCell* cell = matrix_.AddRoot(name)) {
            matrix_.IconOf(cell);
            ++changes;
        }
    }
    std::vector<CMatrixCell*> buttons;
    for (int n = 0; CMatrixCell* cell = matrix_.NthRoot(n); ++n) buttons.push_back(cell);
    for (CMatrixCell* cell : buttons) {
        if (wanted.count(cell->text) != 0) {
            const int before = cell->icon;
            if (matrix_.IconOf(cell) != before) ++changes;
            continue;
        }
        if (cell->text == pending_) CancelPending();
        matrix_.Set(cell->column, cell->row, nullptr);
        ++changes;
    }
    if (changes > 0) host_.RepaintBar();
}

int CMachineBar::ButtonIcon(const CMatrixCell* cell) const {
    if (!cell) return 0;
    return cell->text == pending_ ? kMachineDead : cell->icon;
}

void CMachineBar::CancelPending() {
    if (pending_.empty()) return;
    host_.StopClickTimer();
    pending_.clear();
    host_.RepaintBar();
}

void CMachineBar::ButtonDown(CellPos at) {
    CancelPending();
    CMatrixCell* cell = matrix_.Get(at.column, at.row);
    if (!cell) return;
    pending_ = cell->text;
    host_.RepaintBar();
    host_.StartClickTimer();
}

bool CMachineBar::NotResponding(const std::string& system, const char* message) {
    if (MachineState(db_, system) != kMachineDead) return false;
    panelaid::BoxRequest box;
    box.text = message;
    boxes_.Ask(box);
    Update();
    return true;
}

void CMachineBar::ActOnPending(const char* notResponding, void (MachineBarHost::*act)(const std::string&)) {
    host_.StopClickTimer();
    if (pending_.empty()) return;
    const std::string system = pending_;
    if (NotResponding(system, notResponding)) return;
    (host_.*act)(system);
    pending_.clear();
    host_.RepaintBar();
}

void CMachineBar::ClickTimerFired() {
    ActOnPending("Cannot change view to specified machine; that system is not responding.",
                 &MachineBarHost::ShowInActiveView);
}

void CMachineBar::DoubleClick() {
    ActOnPending("Cannot open view to specified machine; that system is not responding.", &MachineBarHost::OpenSystem);
}

void CMachineBar::SetFocusMark(bool on) {
    focusMark_ = on;
    host_.RepaintBar();
}

void CMachineBar::KeyDown(Key key) {
    switch (key) {
    case Key::Tab:
        host_.FocusActiveView();
        return;
    case Key::Enter:
        ButtonDown(focus_);
        DoubleClick();
        return;
    case Key::Space:
        ButtonDown(focus_);
        return;
    default:
        break;
    }
    const NavKey nav = key == Key::Left ? NavKey::Left : key == Key::Up ? NavKey::Up : key == Key::Right ? NavKey::Right
                                                                                                        : NavKey::Down;
    SetFocusMark(false);
    focus_ = matrix_.Navigate(focus_, nav);
    SetFocusMark(true);
}

int CMachineBar::HelpHitTest(CellPos at) const {
    const CMatrixCell* cell = matrix_.Get(at.column, at.row);
    if (!cell) return kBarControlId;
    return cell->icon == kMachineDead ? kMachineDead : kMachineAlive;
}

}  // namespace hierman
