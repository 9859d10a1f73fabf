// hierman: the hierarchy administration console.
#include "HiermanConsole.h"
#include "QtConsoleInstance.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // One console per display: a second start brings the first forward.
    panelaid::QtConsoleInstance instance;
    if (instance.Claim("HIERMAN") == panelaid::ConsoleInstance::Claim::OtherRaised) return 0;
    hierman::HiermanConsole console(panelaid::PanelaidLibrary::Get());
    instance.SetWindow(&console.Window());
    if (!console.Start()) return 0;
    return app.exec();
}
