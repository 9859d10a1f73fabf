#include "DesktopLauncher.h"

#include "ConsoleInstance.h"
#include "DetachedProcess.h"

#include <QDesktopServices>
#include <QUrl>

#include <cerrno>

namespace panelaid {

int DesktopLauncher::StartDetached(const std::vector<std::string>& argv) {
    if (argv.empty()) return EINVAL;
    hvsvc::DetachedSpec spec;
    spec.argv = argv;
    return hvsvc::DetachedProcess::Start(spec);
}

int DesktopLauncher::ShowSibling(const std::string& program, const std::string& binary) {
    if (ConsoleInstance::AskToRaise(program, ConsoleInstance::CurrentDisplay())) return 0;
    return StartDetached({db_.RootDir() + "/bin/" + binary});
}

int DesktopLauncher::ShowHelp(const std::string& file, int context) {
    const std::string path = !file.empty() && file[0] == '/' ? file : db_.RootDir() + "/help/" + file;
    QUrl url = QUrl::fromLocalFile(QString::fromStdString(path));
    if (context != 0) url.setFragment(QString::number(context));
    return QDesktopServices::openUrl(url) ? 0 : 1;
}

}  // namespace panelaid
