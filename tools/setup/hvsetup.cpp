// hvsetup: a minimal stand-in for the setup program. It loads the resource
// library "libtextpack.so" by name (the loader's search path, then the lib/
// beside its bin/) and shows one of its dialogs; the id of the
// button that closed it is printed. --dump prints the dialog's caption and
// controls instead of showing it.
#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QVariant>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
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
    bool dump = false;
    int arg = 1;
    if (arg < argc && std::strcmp(argv[arg], "--dump") == 0) {
        dump = true;
        ++arg;
    }
    char* end = nullptr;
    if (arg + 1 != argc || (std::strtol(argv[arg], &end, 10), *end != '\0' || end == argv[arg])) {
        std::fputs(kUsage, stderr);
        return 1;
    }
    const int id = static_cast<int>(std::strtol(argv[arg], nullptr, 10));
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
