// Writes the console's pictures as PNG files and the resource list that
// names them: tool-<command>.png for the toolbar buttons, and
// icon-<number>.png and cursor-<number>.png, numbered per size
// (the 24- and 16-pixel pictures 31 and 17 above the 32-pixel ones, the
// machine states alike at every size). Usage: hierman_icongen <dir>
#include "IconArt.h"

#include <cstdio>
#include <fstream>
#include <string>

namespace {

int NumberAt(int number, int pixels) {
    if (number == 128 || number >= 144) return number;
    return pixels == 24 ? number + 31 : pixels == 16 ? number + 17 : number;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: hierman_icongen <dir>\n");
        return 2;
    }
    const std::string dir = argv[1];
    std::ofstream qrc(dir + "/hierman_icons.qrc");
    qrc << "<!DOCTYPE RCC><RCC version=\"1.0\">\n<qresource prefix=\"/hierman\">\n";
    auto write = [&](const QImage& image, const std::string& name) {
        if (!image.save(QString::fromStdString(dir + "/" + name), "PNG")) {
            std::fprintf(stderr, "hierman_icongen: cannot write %s/%s\n", dir.c_str(), name.c_str());
            return false;
        }
        qrc << "  <file>" << name << "</file>\n";
        return true;
    };
    for (int pixels : hierman::kArtSizes) {
        for (int icon : hierman::kArtIcons) {
            // The machine-bar and program pictures exist once, at 32 pixels.
            if ((icon == 128 || icon >= 144) && pixels != 32) continue;
            if (!write(hierman::DrawIcon(icon, pixels), "icon-" + std::to_string(NumberAt(icon, pixels)) + ".png"))
                return 1;
        }
        for (int cursor : hierman::kArtCursors)
            if (!write(hierman::DrawCursor(cursor, pixels),
                       "cursor-" + std::to_string(NumberAt(cursor, pixels)) + ".png"))
                return 1;
    }
    for (int command : hierman::kArtToolButtons)
        if (!write(hierman::DrawToolButton(command), "tool-" + std::to_string(command) + ".png")) return 1;
    qrc << "</qresource>\n</RCC>\n";
    qrc.close();
    return qrc ? 0 : 1;
}
