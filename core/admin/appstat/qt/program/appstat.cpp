// appstat: the application status console.
#include "AppstatConsole.h"
#include "PanelaidLibrary.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    panelaid::PanelaidLibrary& lib = panelaid::PanelaidLibrary::Get();
    appstat::AppstatConsole console(panelaid::ShellServices{lib.Db(), lib.Boxes(), lib.Launch(), nullptr, nullptr},
                                    lib.Windows());
    if (!console.Start()) return 0;
    return app.exec();
}
