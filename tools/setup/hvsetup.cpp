// hvsetup: a minimal stand-in for the setup program. It loads the resource
// library "libtextpack.so" by name (the loader's search path, then the lib/
// beside its bin/) and shows one of its dialogs; the id of the
// button that closed it is printed. --dump prints the dialog's caption and
// controls instead of showing it.
#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QVariant>

#include "WholeNumber.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <getopt.h>
#include <string>
#include <unistd.h>

namespace {

const char* const kUsage =
    "usage: hvsetup [--dump] DIALOG_ID\n"
    "A minimal stand-in for the setup program: loads libtextpack.so and shows\n"
    "the dialog DIALOG_ID, printing the id of the button that closed it.\n"
    "--dump prints the caption and one line per control (id, class, text,\n"
    "\"default\" for the default button) instead.\n"
    "Exit status: 0 done; 1 bad command line; 2 the library or dialog is missing.\n";

using LibMainFn = int (*)(void*, unsigned long, void*);
using CreateDialogFn = QDialog* (*)(int, QWidget*);

// By name through the loader's search path, then from the lib/ beside this
// program's bin/.
void* LoadTextpack() {
    if (void* library = ::dlopen("libtextpack.so", RTLD_NOW | RTLD_LOCAL)) return library;
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return nullptr;
    std::string dir(self, static_cast<std::size_t>(n));
    dir.erase(dir.rfind('/'));
    return ::dlopen((dir + "/../lib/libtextpack.so").c_str(), RTLD_NOW | RTLD_LOCAL);
}

void Dump(QDialog* dialog) {
    std::printf("%s\n", dialog->windowTitle().toUtf8().constData());
    for (QWidget* w : dialog->findChildren<QWidget*>()) {
        const QVariant id = w->property("controlId");
        if (!id.isValid()) continue;
        const auto* button = qobject_cast<QPushButton*>(w);
        std::printf("%d %s %s%s\n", id.toInt(), w->metaObject()->className(),
                    w->property("text").toString().toUtf8().constData(),
                    button != nullptr && button->isDefault() ? " default" : "");
    }
}

}  // namespace

int main(int argc, char** argv) {
    static const option kLong[] = {
        {"dump", no_argument, nullptr, 'd'}, {"help", no_argument, nullptr, 'h'}, {nullptr, 0, nullptr, 0}};
    bool dump = false;
    opterr = 0;
    for (int c; (c = ::getopt_long(argc, argv, "+h", kLong, nullptr)) != -1;) {
        if (c == 'd') {
            dump = true;
        } else if (c == 'h') {
            std::fputs(kUsage, stdout);
            return 0;
        } else {
            std::fputs(kUsage, stderr);
            return 1;
        }
    }
    int id = 0;
    if (optind + 1 != argc || !hvtool::ParseWholeNumber(argv[optind], INT_MIN, INT_MAX, &id)) {
        std::fputs(kUsage, stderr);
        return 1;
    }
    QApplication app(argc, argv);
    void* library = LoadTextpack();
    if (library == nullptr) {
        std::fprintf(stderr, "hvsetup: cannot load libtextpack.so: %s\n", ::dlerror());
        return 2;
    }
    auto libMain = reinterpret_cast<LibMainFn>(::dlsym(library, "LibMain"));
    auto create = reinterpret_cast<CreateDialogFn>(::dlsym(library, "TextpackCreateDialog"));
    if (libMain == nullptr || create == nullptr || libMain(library, 1, nullptr) != 1) {
        std::fputs("hvsetup: libtextpack.so is not the setup resource library\n", stderr);
        return 2;
    }
    QDialog* dialog = create(id, nullptr);
    if (dialog == nullptr) {
        std::fprintf(stderr, "hvsetup: the library has no dialog %d\n", id);
        return 2;
    }
    if (dump) {
        Dump(dialog);
    } else {
        std::printf("%d\n", dialog->exec());
    }
    delete dialog;
    return 0;
}
