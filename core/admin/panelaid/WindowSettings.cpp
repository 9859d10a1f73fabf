#include "WindowSettings.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

namespace panelaid {

namespace {

constexpr std::size_t kValueBuffer = 80;

// A whole field that is a decimal int (blanks around it allowed).
bool ParseInt(const std::string& field, int* out) {
    if (field.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(field.c_str(), &end, 10);
    if (end == field.c_str() || errno != 0 || v < INT_MIN || v > INT_MAX) return false;
    while (*end == ' ') ++end;
    if (*end != '\0') return false;
    *out = static_cast<int>(v);
    return true;
}

std::vector<std::string> SplitCommas(const std::string& text) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        fields.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) return fields;
        start = comma + 1;
    }
}

}  // namespace

std::string WindowSettings::ProgramOf(const std::string& title) {
    if (title.find("Holdervane: Application Status") != std::string::npos) return "APPSTAT";
    if (title.find("Holdervane: Hardware Administration") != std::string::npos) return "HWMAN";
    if (title.find("Holdervane: Hierarchy Administration") != std::string::npos) return "HIERMAN";
    return "";
}

bool WindowSettings::KeyFailed(SettingsResult r) {
    if (r != SettingsResult::NoKey) return false;
    boxes_.Ask({"", "Error Opening/Creating Registry Key.", BoxIcon::None, BoxButtons::Ok});
    return true;
}

bool WindowSettings::UsableArea(const WindowPlacement& p) {
    auto within = [](int v, int low, int high) { return v >= low && v <= high; };
    return within(p.width, 1, kMaxPlacementSide) && within(p.height, 1, kMaxPlacementSide) &&
           within(p.left, -kMaxPlacementOffset, kMaxPlacementOffset) &&
           within(p.top, -kMaxPlacementOffset, kMaxPlacementOffset);
}

std::string WindowSettings::FormatPlacement(const WindowPlacement& p, const int* extra1, const int* extra2) {
    std::string s = std::to_string(p.show) + "," + std::to_string(p.left) + "," + std::to_string(p.top) + "," +
                    std::to_string(p.width) + "," + std::to_string(p.height);
    if (extra1 != nullptr && extra2 != nullptr) s += "," + std::to_string(*extra1) + "," + std::to_string(*extra2);
    return s;
}

int WindowSettings::Save(const std::string& frameTitle, const std::string* windowTitle,
                         const WindowPlacement& placement, int extra1, int extra2) {
    const std::string program = ProgramOf(frameTitle);
    if (program.empty()) return 0;
    const bool frame = windowTitle == nullptr;
    const std::string text = FormatPlacement(placement, frame ? &extra1 : nullptr, frame ? &extra2 : nullptr);
    const SettingsResult r = store_.WriteText(program, frame ? "Window" : *windowTitle, text);
    KeyFailed(r);
    return r == SettingsResult::Ok ? 1 : 0;
}

int WindowSettings::Retrieve(const std::string& frameTitle, const std::string* windowTitle,
                             WindowPlacement* placement, int* extra1, int* extra2) {
    const std::string program = ProgramOf(frameTitle);
    if (program.empty()) return 0;
    const bool frame = windowTitle == nullptr;
    std::string text;
    const SettingsResult r = store_.ReadText(program, frame ? "Window" : *windowTitle, kValueBuffer, &text);
    if (KeyFailed(r) || r != SettingsResult::Ok) return 0;
    const std::vector<std::string> f = SplitCommas(text);
    auto field = [&](std::size_t n, int* out) { return n <= f.size() && ParseInt(f[n - 1], out); };
    field(1, &placement->show);
    field(2, &placement->left);
    field(3, &placement->top);
    field(4, &placement->width);
    field(5, &placement->height);
    if (frame) {
        if (extra1 != nullptr) field(6, extra1);
        if (extra2 != nullptr) field(7, extra2);
    }
    return 1;
}

int WindowSettings::SaveZoom(const std::string& title, int zoom) {
    const std::string program = ProgramOf(title);
    if (program.empty()) return 0;
    const SettingsResult r = store_.WriteNumber(program, "Zoom", static_cast<std::uint32_t>(zoom));
    KeyFailed(r);
    return r == SettingsResult::Ok ? 1 : 0;
}

int WindowSettings::RetrieveZoom(const std::string& title, int* zoom) {
    const std::string program = ProgramOf(title);
    if (program.empty()) return 0;
    std::uint32_t value = 0;
    const SettingsResult r = store_.ReadNumber(program, "Zoom", &value);
    if (KeyFailed(r) || r != SettingsResult::Ok) return 0;
    *zoom = static_cast<int>(value);
    return 1;
}

}  // namespace panelaid
