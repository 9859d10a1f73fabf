#include "AppstatConsole.h"

#include "AppstatSpec.h"

#include <QApplication>
#include <QStatusBar>

namespace appstat {

AppstatConsole::AppstatConsole(panelaid::ShellServices services, panelaid::WindowSettings& windows) {
    TreeCommandHooks hooks{[this](TreeCommand c) {
                               if (view_) view_->Logic().RunTreeCommand(c);
                           },
                           [this](TreeCommand c) { return view_ != nullptr && view_->Logic().TreeCommandEnabled(c); }};
    shell_ = std::make_unique<panelaid::ConsoleShell>(MakeAppstatSpec(std::move(hooks)), services, windows);
    doc_ = std::make_unique<CAPPSTATDoc>(DocServices{services.db, windows, shell_->Status()}, *this);
    doc_->OnNewDocument();
    view_ = new AppstatViewWidget(*doc_, shell_.get());
    shell_->SetView(view_);
    shell_->SetDocument(doc_.get());
}

AppstatConsole::~AppstatConsole() {
    SetWaitCursor(false);
    // The shell owns the view, which draws the document: the window goes first.
    view_ = nullptr;
    shell_.reset();
}

void AppstatConsole::UpdateAllViews() {
    if (view_) view_->Logic().OnUpdate();
}

void AppstatConsole::SetWaitCursor(bool on) {
    if (on == waitCursor_) return;
    waitCursor_ = on;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void AppstatConsole::SetStatusText(const std::string& text) { shell_->ShowStatus(text); }

void AppstatConsole::Beep() { shell_->Beep(); }

}  // namespace appstat
