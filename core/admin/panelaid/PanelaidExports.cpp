// The plain exports: each hands its call to the library's parts.
#include "panelaid.h"

#include "KitLoader.h"
#include "NameCheck.h"
#include "PanelaidLibrary.h"
#include "QtProgressBox.h"
#include "QtStatusDisplay.h"
#include "ServiceStartStop.h"

#include "qdbfile.h"

#include <QCoreApplication>
#include <QRect>
#include <QThread>
#include <QWidget>

using panelaid::PanelaidLibrary;

namespace {

PanelaidLibrary& Lib() { return PanelaidLibrary::Get(); }

panelaid::WindowPlacement PlacementOf(const QWidget* w) {
    const QRect r = w->frameGeometry();
    return {w->isMaximized() ? 1 : w->isMinimized() ? -1 : 0, r.left(), r.top(), r.width(), r.height()};
}

// Runs f on the GUI thread, waiting for it when called from another thread.
template <typename F>
void OnGuiThread(F&& f) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() == app->thread()) {
        f();
        return;
    }
    QMetaObject::invokeMethod(app, std::forward<F>(f), Qt::BlockingQueuedConnection);
}

}  // namespace

extern "C" {

int Advise(const char* text, const char* file, int line) { return Lib().Advice().Advise(text, file, line); }

int InAdvise(void) { return Lib().Advice().InAdvise(); }

int GetBackupMachine(const char* machine, const char* tag, std::string& backup) {
    return Lib().Hierarchy().GetBackupMachine(machine, tag, &backup) ? 1 : 0;
}

char** root_list(const char* machine, const char* tag) {
    const std::vector<std::string> roots = Lib().Hierarchy().RootList(machine, tag);
    if (roots.empty()) return nullptr;
    auto** list = static_cast<char**>(qdbnalloc((roots.size() + 1) * sizeof(char*)));
    for (std::size_t i = 0; i < roots.size(); ++i) list[i] = qdbsavcpy(roots[i].c_str());
    list[roots.size()] = nullptr;
    return list;
}

int test_holdervane(void) { return Lib().Service().Test(); }

int start_stop_holdervane(int start, QWidget* owner) {
    panelaid::QtProgressBox box(owner);
    panelaid::ServiceStartStop run(Lib().Db(), Lib().Boxes(), Lib().Pump());
    return run.Run(start != 0, box);
}

const char* PushStatusBarMessage(const char* text, QStatusBar* bar) {
    panelaid::QtStatusDisplay display(bar);
    return Lib().Status().Push(text, bar != nullptr ? &display : nullptr);
}

void PopStatusBarMessage(const char* previous, QStatusBar* bar) {
    panelaid::QtStatusDisplay display(bar);
    Lib().Status().Pop(previous, bar != nullptr ? &display : nullptr);
}

void StatusBarMessage(const char* text, QStatusBar* bar) {
    panelaid::QtStatusDisplay display(bar);
    Lib().Status().Show(text, bar != nullptr ? &display : nullptr);
}

void CreateHierarchy(RecoveryKitControlBlock* block) {
    const std::string root = Lib().Db().RootDir();
    OnGuiThread([&] { panelaid::KitLoader::Run(root, block, panelaid::KitOperation::Create); });
}

void EnumHierarchy(RecoveryKitControlBlock* block) {
    const std::string root = Lib().Db().RootDir();
    OnGuiThread([&] { panelaid::KitLoader::Run(root, block, panelaid::KitOperation::Enumerate); });
}

int SaveWindowSettings(QWidget* frame, QWidget* window, int extra1, int extra2) {
    if (frame == nullptr) return 0;
    const std::string title = frame->windowTitle().toStdString();
    if (window == nullptr) return Lib().Windows().Save(title, nullptr, PlacementOf(frame), extra1, extra2);
    const std::string windowTitle = window->windowTitle().toStdString();
    return Lib().Windows().Save(title, &windowTitle, PlacementOf(window), extra1, extra2);
}

int RetrieveWindowSettings(QWidget* frame, QWidget* window, QRect& rect, int& show, int* extra1, int* extra2) {
    if (frame == nullptr) return 0;
    const std::string title = frame->windowTitle().toStdString();
    panelaid::WindowPlacement p{show, rect.left(), rect.top(), rect.width(), rect.height()};
    const std::string windowTitle = window != nullptr ? window->windowTitle().toStdString() : std::string();
    const int rc = Lib().Windows().Retrieve(title, window != nullptr ? &windowTitle : nullptr, &p, extra1, extra2);
    if (rc == 1) {
        show = p.show;
        rect = QRect(p.left, p.top, p.width, p.height);
    }
    return rc;
}

int SaveZoomFactor(const char* title, int zoom) { return Lib().Windows().SaveZoom(title != nullptr ? title : "", zoom); }

int RetrieveZoomFactor(const char* title, int* zoom) {
    if (zoom == nullptr) return 0;
    return Lib().Windows().RetrieveZoom(title != nullptr ? title : "", zoom);
}

int IsValidHVString(const char* text) { return panelaid::IsValidName(text); }

}
