#include "qdberr.h"
#include "qdbpaths.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

extern "C" {

unsigned pQdb_event_ign_period = 600;
unsigned pQdb_flagtimeout = 900;
short pQdb_fstspri = -30007;
char* pQdb_fsprioclass = nullptr;
unsigned pQdb_inittimeout = 300;
char* pQdb_mxrprioclass = nullptr;
short pQdb_mxrtspri = -30007;
short pQdb_mxrrtpri = -30007;
unsigned long pQdb_mxrrttqsecs = 1;
long pQdb_mxrrttqnsecs = 0;
long pQdb_logulim = 0;
char* pQdb_qdbprioclass = nullptr;
short pQdb_qdbtspri = -30007;
short pQdb_qdbrtpri = -30007;
unsigned long pQdb_qdbrttqsecs = 1;
long pQdb_qdbrttqnsecs = 0;
char* pQdb_othprioclass = nullptr;
short pQdb_othtspri = -30007;
short pQdb_othrtpri = -30007;
unsigned long pQdb_othrttqsecs = 1;
long pQdb_othrttqnsecs = 0;
int pQdb_remotetime = 180;
int pQdb_resrvtimeout = 600;
int pQdb_resrvaudtimeout = 1800;
int pQdb_resrvrectimeout = 60;
int pQdb_restoreretries = 12;
int pQdb_restoreretrysecs = 5;
char* pQdb_rsprioclass = nullptr;
unsigned pQdb_ovrhead = 10;
unsigned pQdb_shmmaxsiz = 1000000;
unsigned pQdb_waitformxr = 20;
unsigned pQdb_waitlocalmxr = 10;

}  // extern "C"

namespace {

enum class Kind { Unsigned, Short, ULong, Long, Int, String, Ignored };

// Each string tunable keeps its text here; the exported pointer points into it.
struct StringValue {
    char** var;
    std::string text;
};
StringValue g_fsprio{&pQdb_fsprioclass, "RT"}, g_mxrprio{&pQdb_mxrprioclass, "RT"},
    g_qdbprio{&pQdb_qdbprioclass, "RT"}, g_othprio{&pQdb_othprioclass, "RT"}, g_rsprio{&pQdb_rsprioclass, "TS"};

struct Tunable {
    const char* name;
    Kind kind;
    void* var;           // the variable, or the StringValue of a string
    long withFile;       // default when the file omits the name
    long withoutFile;    // value when there is no file
    const char* textWithFile;
    const char* textWithoutFile;
};

const Tunable kTunables[] = {
    {"EVENTIGNPERIOD", Kind::Unsigned, &pQdb_event_ign_period, 600, 60, nullptr, nullptr},
    {"FLAGTIMEOUT", Kind::Unsigned, &pQdb_flagtimeout, 900, 900, nullptr, nullptr},
    {"FSTSPRI", Kind::Short, &pQdb_fstspri, -30007, -30007, nullptr, nullptr},
    {"FSPRIOCLASS", Kind::String, &g_fsprio, 0, 0, "RT", "RT"},
    {"INITTIMEOUT", Kind::Unsigned, &pQdb_inittimeout, 300, 300, nullptr, nullptr},
    {"MXRPRIOCLASS", Kind::String, &g_mxrprio, 0, 0, "RT", "RT"},
    {"MXRTSPRI", Kind::Short, &pQdb_mxrtspri, -30007, -30007, nullptr, nullptr},
    {"MXRRTPRI", Kind::Short, &pQdb_mxrrtpri, -30007, -30007, nullptr, nullptr},
    {"MXRRTTQSECS", Kind::ULong, &pQdb_mxrrttqsecs, 1, 1, nullptr, nullptr},
    {"MXRRTTQNSECS", Kind::Long, &pQdb_mxrrttqnsecs, 0, 0, nullptr, nullptr},
    {"LOGULIM", Kind::Long, &pQdb_logulim, 0, 0, nullptr, nullptr},
    {"QDBPRIOCLASS", Kind::String, &g_qdbprio, 0, 0, "RT", "RT"},
    {"QDBTSPRI", Kind::Short, &pQdb_qdbtspri, -30007, -30007, nullptr, nullptr},
    {"QDBRTPRI", Kind::Short, &pQdb_qdbrtpri, -30007, -30007, nullptr, nullptr},
    {"QDBRTTQSECS", Kind::ULong, &pQdb_qdbrttqsecs, 1, 1, nullptr, nullptr},
    {"QDBRTTQNSECS", Kind::Long, &pQdb_qdbrttqnsecs, 0, 0, nullptr, nullptr},
    {"LOGFILE", Kind::Ignored, nullptr, 0, 0, nullptr, nullptr},
    {"OTHPRIOCLASS", Kind::String, &g_othprio, 0, 0, "RT", "RT"},
    {"OTHTSPRI", Kind::Short, &pQdb_othtspri, -30007, -30007, nullptr, nullptr},
    {"OTHRTPRI", Kind::Short, &pQdb_othrtpri, -30007, -30007, nullptr, nullptr},
    {"OTHRTTQSECS", Kind::ULong, &pQdb_othrttqsecs, 1, 1, nullptr, nullptr},
    {"OTHRTTQNSECS", Kind::Long, &pQdb_othrttqnsecs, 0, 0, nullptr, nullptr},
    {"REMOTETIMEOUT", Kind::Int, &pQdb_remotetime, 180, 300, nullptr, nullptr},
    {"RESRVTIMEOUT", Kind::Int, &pQdb_resrvtimeout, 600, 600, nullptr, nullptr},
    {"RESRVAUDTIMEOUT", Kind::Int, &pQdb_resrvaudtimeout, 1800, 1800, nullptr, nullptr},
    {"RESRVRECTIMEOUT", Kind::Int, &pQdb_resrvrectimeout, 60, 60, nullptr, nullptr},
    {"RESTORERETRIES", Kind::Int, &pQdb_restoreretries, 12, 12, nullptr, nullptr},
    {"RESTORERETRYSECS", Kind::Int, &pQdb_restoreretrysecs, 5, 5, nullptr, nullptr},
    {"RSPRIOCLASS", Kind::String, &g_rsprio, 0, 0, "TS", "TS"},
    {"SENDOVRHEAD", Kind::Unsigned, &pQdb_ovrhead, 10, 10, nullptr, nullptr},
    {"SHMMAXSIZ", Kind::Unsigned, &pQdb_shmmaxsiz, 1000000, 1000000, nullptr, nullptr},
    {"WAITFORMXR", Kind::Unsigned, &pQdb_waitformxr, 20, 20, nullptr, nullptr},
    {"WAITLOCALMXR", Kind::Unsigned, &pQdb_waitlocalmxr, 10, 10, nullptr, nullptr},
};

void SetString(StringValue* s, const char* text) {
    s->text = text;
    *s->var = s->text.data();
}

void SetDefault(const Tunable& t, bool fileExists) {
    const long v = fileExists ? t.withFile : t.withoutFile;
    switch (t.kind) {
    case Kind::Unsigned: *static_cast<unsigned*>(t.var) = static_cast<unsigned>(v); break;
    case Kind::Short: *static_cast<short*>(t.var) = static_cast<short>(v); break;
    case Kind::ULong: *static_cast<unsigned long*>(t.var) = static_cast<unsigned long>(v); break;
    case Kind::Long: *static_cast<long*>(t.var) = v; break;
    case Kind::Int: *static_cast<int*>(t.var) = static_cast<int>(v); break;
    case Kind::String:
        SetString(static_cast<StringValue*>(t.var), fileExists ? t.textWithFile : t.textWithoutFile);
        break;
    case Kind::Ignored: break;
    }
}

// Stores the value with the tunable's conversion; a value that does not
// convert leaves the variable as it was.
void Store(const Tunable& t, const char* value) {
    switch (t.kind) {
    case Kind::Unsigned: std::sscanf(value, "%u", static_cast<unsigned*>(t.var)); break;
    case Kind::Short: std::sscanf(value, "%hd", static_cast<short*>(t.var)); break;
    case Kind::ULong: std::sscanf(value, "%lu", static_cast<unsigned long*>(t.var)); break;
    case Kind::Long: std::sscanf(value, "%ld", static_cast<long*>(t.var)); break;
    case Kind::Int: std::sscanf(value, "%d", static_cast<int*>(t.var)); break;
    case Kind::String: SetString(static_cast<StringValue*>(t.var), value); break;
    case Kind::Ignored: break;
    }
}

const Tunable* Find(const char* name) {
    for (const Tunable& t : kTunables)
        if (std::strcmp(t.name, name) == 0) return &t;
    return nullptr;
}

// The strings hold their defaults before the file is read.
struct StringDefaults {
    StringDefaults() {
        for (const Tunable& t : kTunables)
            if (t.kind == Kind::String) SetDefault(t, true);
    }
} g_stringDefaults;

constexpr int kMaxLine = 2000;

void ReadLines(std::FILE* file, const char* path) {
    char line[kMaxLine + 2];
    while (std::fgets(line, sizeof line, file) != nullptr) {
        std::size_t len = std::strlen(line);
        // The rest of an over-long line is part of that line, never a line of its own.
        if (len > 0 && line[len - 1] != '\n' && !std::feof(file)) {
            int c;
            while ((c = std::fgetc(file)) != EOF && c != '\n') {
            }
        }
        if (char* hash = std::strchr(line, '#')) *hash = '\0';
        if (std::strchr("\t\n #/", line[0]) != nullptr) continue;  // also the empty line
        char* save = nullptr;
        char* name = ::strtok_r(line, "= \t\n", &save);
        if (name == nullptr) continue;
        char* value = ::strtok_r(nullptr, "= \t\n", &save);
        const Tunable* t = Find(name);
        if (t == nullptr) {
            hv_err(23, 329, QDB_ARGS, "\"%s\" in file \"%s\" is not a known tunable name", name, path);
            qdberrcheck();
            continue;
        }
        if (value == nullptr) continue;  // a name without a value changes nothing
        Store(*t, value);
    }
}

void PrintTunables() {
    hv_err(7, 0, "Qdb_resrvtimeout=%u\n", pQdb_resrvtimeout);
    hv_err(7, 0, "Qdb_resrvaudtimeout=%u\n", pQdb_resrvaudtimeout);
    hv_err(7, 0, "Qdb_resrvrectimeout=%u\n", pQdb_resrvrectimeout);
    hv_err(7, 0, "Qdb_event_ign_period=%u\n", pQdb_event_ign_period);
    hv_err(7, 0, "Qdb_flagtimeout=%u\n", pQdb_flagtimeout);
    hv_err(7, 0, "Qdb_ovrhead=%u\n", pQdb_ovrhead);
    hv_err(7, 0, "Qdb_inittimeout=%u\n", pQdb_inittimeout);
    hv_err(7, 0, "Qdb_waitformxr=%u\n", pQdb_waitformxr);
    hv_err(7, 0, "Qdb_waitlocalmxr=%u\n", pQdb_waitlocalmxr);
    hv_err(7, 0, "Qdb_remotetime=%d\n", pQdb_remotetime);
    hv_err(7, 0, "Qdb_mxrprioclass=%s\n", pQdb_mxrprioclass);
    hv_err(7, 0, "Qdb_qdbprioclass=%s\n", pQdb_qdbprioclass);
    hv_err(7, 0, "Qdb_othprioclass=%s\n", pQdb_othprioclass);
    hv_err(7, 0, "Qdb_fsprioclass=%s\n", pQdb_fsprioclass);
    hv_err(7, 0, "Qdb_rsprioclass=%s\n", pQdb_rsprioclass);
    hv_err(7, 0, "Qdb_fstspri=%hd\n", pQdb_fstspri);
    hv_err(7, 0, "Qdb_mxrtspri=%hd\n", pQdb_mxrtspri);
    hv_err(7, 0, "Qdb_qdbtspri=%hd\n", pQdb_qdbtspri);
    hv_err(7, 0, "Qdb_othtspri=%hd\n", pQdb_othtspri);
    hv_err(7, 0, "Qdb_mxrrtpri=%hd\n", pQdb_mxrrtpri);
    hv_err(7, 0, "Qdb_qdbrtpri=%hd\n", pQdb_qdbrtpri);
    hv_err(7, 0, "Qdb_othrtpri=%hd\n", pQdb_othrtpri);
    hv_err(7, 0, "Qdb_shmmaxsiz=%u\n", pQdb_shmmaxsiz);
    hv_err(7, 0, "Qdb_mxrrttqsecs=%lu\n", pQdb_mxrrttqsecs);
    hv_err(7, 0, "Qdb_qdbrttqsecs=%lu\n", pQdb_qdbrttqsecs);
    hv_err(7, 0, "Qdb_othrttqsecs=%lu\n", pQdb_othrttqsecs);
    hv_err(7, 0, "Qdb_mxrrttqnsecs=%ld\n", pQdb_mxrrttqnsecs);
    hv_err(7, 0, "Qdb_qdbrttqnsecs=%ld\n", pQdb_qdbrttqnsecs);
    hv_err(7, 0, "Qdb_othrttqnsecs=%ld\n", pQdb_othrttqnsecs);
    hv_err(7, 0, "Qdb_logulim=%ld\n", pQdb_logulim);
}

}  // namespace

namespace cfgstore {

void ReadTunables() {
    const char* path = gps(kPathTunables);
    std::FILE* file = std::fopen(path, "re");
    for (const Tunable& t : kTunables) SetDefault(t, file != nullptr);
    if (file != nullptr) {
        ReadLines(file, path);
        std::fclose(file);
    }
    if (::access(gps(kPathReadTunablesMarker), F_OK) == 0) PrintTunables();
}

}  // namespace cfgstore
