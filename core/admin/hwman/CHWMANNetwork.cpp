#include "CHWMANNetwork.h"

#include "CHWMANSystem.h"

namespace hwman {

const std::string& CHWMANNetwork::DestinationName() const { return destination_->Name(); }

void CHWMANNetwork::ComputeRectangles() {
    hot = {x1 + 15, y1 + 35, x2 - 15, y1 - 5};
    label = {x1, y1 + 36, x2, y1 - 6};
}

void CHWMANNetwork::FitLabel(const TextSize& text) {
    const int middle = (x1 + x2) / 2;
    hot.left = middle - text.width / 2 - 5;
    hot.right = middle + text.width / 2 + 5;
    hot.top = y1 + text.height;
    selection = hot;
}

void CHWMANNetwork::Select(bool on, const FigureServices& s) {
    s.Paint(on ? "A " + type_ + " comm path has been selected." : std::string(kReady));
    redraw = true;
    selected = on;
}

void CHWMANNetwork::Focus(bool on, const FigureServices& s) {
    if (!selected) s.Paint(on ? "Press Space Bar to select the Comm Path." : kReady);
    redraw = true;
    focused = on;
}

std::string CHWMANNetwork::StatusWord() const {
    if (status == kPathAlive) return "Alive";
    if (status == kPathUnknown) return "UNKNOWN";
    return "Dead";
}

std::string CHWMANNetwork::LabelText() const {
    if (IsSocket()) return type_ + " - Port# " + device + "- " + StatusWord();
    return type_ + " - " + device + "- " + StatusWord();
}

std::string CHWMANNetwork::DatabaseDevice() const { return IsSocket() ? "TCPIP:" + device : device; }

int CHWMANNetwork::LabelFontHeight(int zoom) {
    return static_cast<int>(static_cast<unsigned>(100 - zoom) / 6u) - 24;
}

}  // namespace hwman
