#include "CAPPSTATSystem.h"

#include "InstanceReads.h"

#include <optional>

namespace appstat {

namespace {

// What an alive system's record says, when it says anything.
std::optional<SystemState> AliveState(const std::string& state) {
    if (state == "ISP") return SystemState::Active;
    if (state == "OSU") return SystemState::Standby;
    if (state == "OSF") return SystemState::Down;
    return std::nullopt;
}

}  // namespace

CAPPSTATSystem::CAPPSTATSystem(panelaid::ConsoleDatabase& db, std::string name)
    : db_(db), name_(std::move(name)), stamp_(db_.Stamp(name_.c_str())) {}

CAPPSTATSystem::CAPPSTATSystem(panelaid::ConsoleDatabase& db, std::string name, const std::string& tag)
    : db_(db), name_(std::move(name)), repaint_(true) {
    const int letter = db_.SystemState(nullptr, name_.c_str());
    const std::optional<std::string> state = ReadInstanceState(db_, name_, tag);
    if (!state) {
        state_ = letter == 'D' ? SystemState::Down : SystemState::Unknown;
        return;
    }
    std::optional<SystemState> alive = letter == 'A' ? AliveState(*state) : std::nullopt;
    if (alive)
        state_ = *alive;
    else
        state_ = letter == 'D' ? SystemState::Down : SystemState::Unknown;
}

void CAPPSTATSystem::UpdateState(const std::string& tag) {
    const int letter = db_.SystemState(nullptr, name_.c_str());
    const std::optional<std::string> state = ReadInstanceState(db_, name_, tag);
    if (!state) {
        if (letter == 'U') Store(SystemState::Unknown);
        if (letter == 'D') Store(SystemState::Down);
        return;
    }
    if (letter == 'A') {
        if (std::optional<SystemState> alive = AliveState(*state)) Store(*alive);
        return;
    }
    if (letter == 'D') Store(SystemState::Down);
}

void CAPPSTATSystem::Store(SystemState state) {
    repaint_ = state != state_;
    state_ = state;
}

int CAPPSTATSystem::BitmapOf(SystemState state) {
    switch (state) {
    case SystemState::Active: return kBitmapActive;
    case SystemState::Standby: return kBitmapStandby;
    case SystemState::Down: return kBitmapDownSystem;
    default: return kBitmapUnknownSystem;
    }
}

std::string CAPPSTATSystem::HitWord() const {
    switch (state_) {
    case SystemState::Active: return "Active";
    case SystemState::Standby: return "Standby";
    case SystemState::Down: return "Down";
    default: return name_;
    }
}

void CAPPSTATSystem::PlaceHit(int zoom, int wordWidth, int wordHeight) {
    const int offset = NameOffset(zoom);
    hit_ = Rect{left_, top_, left_ + offset + wordWidth, top_ + offset + wordHeight}.Grown(5);
}

}  // namespace appstat
