#include "HvinitConfigEditor.h"

#include "HvinitConfigLine.h"
#include "libHVinit.h"
#include "qdberr.h"

#include "platform/AtomicFileWrite.h"

#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace hvsvc {

namespace {

constexpr int kFailed = -2;
constexpr const char* kBadLine =
    "number of arguments in the config file, %s is incorrect at line %d.\nStop HV-init; Correct config file and "
    "restart HV-init.\n";

std::string Trimmed(std::string line) {
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r' || line.back() == '\n'))
        line.pop_back();
    return line;
}

}  // namespace

struct HvinitConfigEditor::Edit {
    std::string path;
    std::string out;        // the new content, written whole at the end
    bool writing = false;   // an edit that rewrites the file (not a query)
    std::ifstream source;
    int lines = 0;  // read so far
    bool bad = false;

    explicit Edit(const std::string& file) : path(file) {}
    // The next process line (trimmed) and its fields. Comment and blank lines
    // on the way are copied through when the file is rewritten. False at the
    // end, and on a line that is not eight fields: that is reported with
    // idBad, the edit abandoned and `bad` set.
    bool NextProcess(std::string* line, std::vector<std::string>* fields, int idBad) {
        for (std::string raw; std::getline(source, raw);) {
            ++lines;
            *line = Trimmed(raw);
            *fields = HvinitConfigLine::Split(*line);
            if (HvinitConfigLine::IsComment(*line) || fields->empty()) {
                if (writing) Put(*line);
                continue;
            }
            if (static_cast<int>(fields->size()) == HvinitConfigLine::kFields) return true;
            Abandon();
            pxm_err(3, idBad, __FILE__, __LINE__, 0, 0, kBadLine, path.c_str(), lines);
            bad = true;
            return false;
        }
        return false;
    }

    // The file stays as it was.
    void Abandon() {
        writing = false;
        out.clear();
    }
    void Put(const std::string& line) {
        out += line;
        out += '\n';
    }
};

bool HvinitConfigEditor::OpenTemp(Edit& e, int) {
    // The content is built in memory and replaces the file in one atomic
    // write: no temporary file of another edit is waited for (the monitor's
    // thread runs the edits and never sleeps); one left by an older version
    // is removed.
    ::unlink((path_ + ".tmp").c_str());
    e.writing = true;
    return true;
}

bool HvinitConfigEditor::OpenSource(Edit& e, int idOpen, const char* format) {
    // The file is only ever replaced whole, so it is there or not: asked once.
    e.source.open(path_);
    if (e.source.is_open()) return true;
    e.Abandon();
    pxm_err(3, idOpen, __FILE__, __LINE__, 0, 0, format, path_.c_str());
    return false;
}

int HvinitConfigEditor::Finish(Edit& e, int idRename) {
    struct stat st {};
    const mode_t mode = ::stat(path_.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    portlib::platform::AtomicStep step = portlib::platform::AtomicStep::None;
    const int rc = portlib::platform::WriteFileAtomically(path_, e.out, mode, portlib::platform::AtomicMode::Replace, &step);
    e.writing = false;
    if (rc != 0 && step != portlib::platform::AtomicStep::SyncDir) {
        pxm_err(4, idRename, __FILE__, __LINE__, 0, 0, "rename system call failed.\n");
        return kFailed;
    }
    return 0;
}

int HvinitConfigEditor::CommentOutDuplicate(const std::string& command) {
    Edit e(path_);
    if (!OpenTemp(e, 19160) || !OpenSource(e, 19161, "Cannot open the file: %s.\n")) return kFailed;
    int matches = 0;
    std::string line;
    std::vector<std::string> fields;
    while (e.NextProcess(&line, &fields, 19162)) {
        if (HvinitConfigLine::SameProgram(fields[0], command) && ++matches == 2) {
            e.Put("#" + line);
            pxm_err(6, 19163, __FILE__, __LINE__, 0, 0,
                    "Successfully IGNORED the duplicate process %s in the %s file at line %d.\n", command.c_str(),
                    path_.c_str(), e.lines);
            continue;
        }
        e.Put(line);
    }
    if (e.bad) return kFailed;
    return Finish(e, 19164) == 0 ? e.lines : kFailed;
}

int HvinitConfigEditor::Holds(const std::string& command) {
    Edit e(path_);
    if (!OpenSource(e, 19158, "Cannot open the file: %s;\n")) return kFailed;
    std::string line;
    std::vector<std::string> fields;
    while (e.NextProcess(&line, &fields, 19159))
        if (HvinitConfigLine::SameProgram(fields[0], command)) return 1;
    return e.bad ? kFailed : 0;
}

int HvinitConfigEditor::Update(const std::string& record, int type) {
    std::string text = record;
    blank_pair(text.data(), ':');
    const std::vector<std::string> added = HvinitConfigLine::Split(text);
    if (type == 0 && static_cast<int>(added.size()) != HvinitConfigLine::kFields) {
        pxm_err(3, 19147, __FILE__, __LINE__, 0, 0,
                "number of arguments to add to the config file (%s) is incorrect; data=%s; # arg=%d.", path_.c_str(),
                record.c_str(), static_cast<int>(added.size()));
        return kFailed;
    }
    const std::string command = added.empty() ? std::string() : added[0];
    Edit e(path_);
    if (!OpenTemp(e, 19148) || !OpenSource(e, 19149, "Cannot open the file: %s.\n")) return kFailed;
    int dropped = 0;
    int processes = 0;
    bool matched = false;
    std::string line;
    std::vector<std::string> fields;
    while (e.NextProcess(&line, &fields, 19150)) {
        ++processes;
        if (!matched && !command.empty() && HvinitConfigLine::SameProgram(fields[0], command)) {
            matched = true;
            if (type == 0) {
                e.Abandon();
                pxm_err(6, 19151, __FILE__, __LINE__, 0, 0, "Process %s has already been added to the %s file.\n",
                        command.c_str(), path_.c_str());
                return e.lines;
            }
            if (type == 1) {
                ++dropped;
                --processes;
                pxm_err(6, 19152, __FILE__, __LINE__, 0, 0, "Successfully DELETED the process %s from the %s file.\n",
                        command.c_str(), path_.c_str());
                continue;
            }
        }
        e.Put(line);
    }
    if (e.bad) return kFailed;
    int lines = e.lines - dropped;
    if (!matched && type == 1) {
        e.Abandon();
        pxm_err(6, 19153, __FILE__, __LINE__, 0, 0, "Process %s has already been deleted from the %s file.\n",
                command.c_str(), path_.c_str());
        return lines;
    }
    if (!matched && type == 0) {
        if (processes >= kMostProcesses) {
            e.Abandon();
            pxm_err(3, 19155, __FILE__, __LINE__, 0, 0,
                    "Holdervane HV-init can only monitor %d processes.\nProcess %s has been started but will not be "
                    "added to the %s file.\n",
                    kMostProcesses, command.c_str(), path_.c_str());
            return kFailed;
        }
        e.Put(Trimmed(text));
        ++lines;
        pxm_err(6, 19154, __FILE__, __LINE__, 0, 0, "Successfully ADDED the process %s to the %s file.\n",
                command.c_str(), path_.c_str());
    }
    return Finish(e, 19156) == 0 ? lines : kFailed;
}

}  // namespace hvsvc
