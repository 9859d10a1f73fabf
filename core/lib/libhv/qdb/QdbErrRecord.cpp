#include "QdbErrRecord.h"

#include "FormatterFailure.h"
#include "qdberr.h"
#include "qdbfile.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/EventLog.h"
#include "qdbpaths.h"

namespace {

// One record per thread, freed with the thread.
struct ErrRecord {
    int err = 0;
    char* text = nullptr;
    ErrRecord() = default;
    ErrRecord(const ErrRecord&) = delete;
    ErrRecord& operator=(const ErrRecord&) = delete;
    ~ErrRecord() { std::free(text); }
};

thread_local ErrRecord t_record;

constexpr int kMaxCleanupSteps = 8;
std::mutex g_cleanupMutex;
void (*g_cleanupSteps[kMaxCleanupSteps])() = {};
std::atomic<int> g_cleanupCount{0};

}  // namespace

namespace cfgstore {

void AppendErrorText(const char* message) {
    if (message == nullptr) return;
    const char* old = t_record.text;
    std::size_t oldLen = old ? std::strlen(old) : 0;
    bool separate = oldLen > 0 && old[oldLen - 1] != '\n';
    std::size_t addLen = std::strlen(message);
    char* joined = static_cast<char*>(std::malloc(oldLen + separate + addLen + 1));
    if (joined == nullptr) FormatterFailure("Failed to allocate memory");
    if (oldLen) std::memcpy(joined, old, oldLen);
    if (separate) joined[oldLen] = '\n';
    std::memcpy(joined + oldLen + separate, message, addLen + 1);
    std::free(t_record.text);
    t_record.text = joined;
}

int AddCleanupStep(void (*step)()) {
    std::lock_guard<std::mutex> hold(g_cleanupMutex);
    int n = g_cleanupCount.load(std::memory_order_relaxed);
    if (n >= kMaxCleanupSteps) return -1;
    g_cleanupSteps[n] = step;
    g_cleanupCount.store(n + 1, std::memory_order_release);
    return 0;
}

}  // namespace cfgstore

extern "C" {

int* getpQdb_errno(void) { return &t_record.err; }

char** getpQdb_errbuf(void) { return &t_record.text; }

void qdberrclr(void) {
    qdbfreeit(t_record.text);
    t_record.text = nullptr;
    t_record.err = 0;
}

int qdberrcheck(void) {
    if (t_record.text != nullptr) hv_err(27, 0, "%s", t_record.text);
    int rc = t_record.err != 0 ? -1 : 0;
    qdberrclr();
    return rc;
}

void qdbfatalcheck(void) {
    if (t_record.text != nullptr) hv_err(27, 0, "%s", t_record.text);
    if (t_record.err != 0) {
        // The process ends here: its reason must reach an administrator, not
        // only the standard error of a program the monitor restarts.
        const char* program = pQdb_arg0 != nullptr ? std::strrchr(pQdb_arg0, '/') : nullptr;
        program = program != nullptr ? program + 1 : (pQdb_arg0 != nullptr ? pQdb_arg0 : "qdb");
        std::string line = std::string(program) + ": ends with error " + std::to_string(t_record.err);
        if (t_record.text != nullptr) line += std::string(": ") + t_record.text;
        portlib::platform::ReportEventLog("Holdervane", portlib::platform::EventType::Error, 27, 0, line);
        qdbexit(t_record.err);
    }
    qdberrclr();
}

void qdbexit(int code) {
    t_record.err = code;
    qdbcleanup();
    std::exit(code);
}

void qdbcleanup(void) {
    int n = g_cleanupCount.load(std::memory_order_acquire);
    for (int i = 0; i < n; ++i) g_cleanupSteps[i]();
}

}  // extern "C"
