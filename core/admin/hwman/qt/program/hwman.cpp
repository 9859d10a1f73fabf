// hwman: the hardware administration console.
#include "HwmanWindow.h"
#include "PanelaidLibrary.h"

#include <QApplication>

#include <cstdlib>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    panelaid::PanelaidLibrary& lib = panelaid::PanelaidLibrary::Get();
    // A directory of serial lines in place of the machine's own (tests).
    const char* ports = std::getenv("HV_SERIAL_PORT_DIR");
    hwman::SystemPathResources resources(ports != nullptr ? ports : "");
    hwman::HwmanWindow window(
        hwman::HwmanParts{lib.Db(), lib.Boxes(), lib.Launch(), lib.Windows(), resources, nullptr, nullptr});
    if (!window.Start()) return 0;
    return app.exec();
}
