// One communication path from the local system to another, as a labelled
// line in the picture: its settings, status, selection and focus, and the
// rectangles its label and hit test use.
#pragma once

#include "Figures.h"

#include <string>

namespace hwman {

class CHWMANSystem;

inline constexpr const char* kSocket = "Socket";
inline constexpr const char* kSerialPort = "Serial Port";
inline constexpr const char* kSharedDisk = "Shared Disk";

class CHWMANNetwork {
public:
    CHWMANNetwork(CHWMANSystem* destination, std::string type) : destination_(destination), type_(std::move(type)) {}

    CHWMANSystem* Destination() const { return destination_; }
    const std::string& DestinationName() const;
    const std::string& Type() const { return type_; }
    bool IsSocket() const { return type_ == kSocket; }

    // Rectangles from the line, before the label is measured.
    void ComputeRectangles();
    // The label's size known: the hot and selection rectangles centre on the
    // line's middle.
    void FitLabel(const TextSize& text);
    // Strictly inside the hot rectangle.
    bool HitTest(int x, int y) const { return hot.ContainsStrictly(x, y); }

    void Select(bool on, const FigureServices& s);
    void Focus(bool on, const FigureServices& s);

    std::string StatusWord() const;
    std::string LabelText() const;
    // The device as the database names it ("TCPIP:<port>" for sockets).
    std::string DatabaseDevice() const;
    // The label font's logical height at a zoom ((100 - z)/6 - 24, unsigned).
    static int LabelFontHeight(int zoom);

    int baud = 0;
    std::string device;
    int priority = 0;
    int status = kPathUnknown;
    bool selected = false;
    bool focused = false;
    LRect label;
    LRect hot;
    LRect selection;
    bool redraw = true;
    bool seen = false;
    int interval = 0;
    int misses = 0;
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    // The database record the path was last read from ("" when made here):
    // a poll that finds the same record again has nothing to read in it.
    std::string record;

private:
    CHWMANSystem* destination_;
    std::string type_;
};

}  // namespace hwman
