// The edits of the configuration file that the command pipe asks for. Every
// edit builds the new content and replaces the file in one atomic write, so
// a reader never sees half an edit; on any error the file stays as it was.
// Nothing waits: the edits run on the monitor's thread. Comment and blank
// lines are copied through.
#pragma once

#include "MonitorSystem.h"

#include <string>

namespace hvsvc {

class HvinitConfigEditor {
public:
    static constexpr int kMostProcesses = 128;

    HvinitConfigEditor(std::string path, MonitorSystem& system) : path_(std::move(path)), system_(system) {}

    // CONFIGN: the second line of the command's program is commented out
    // ("#" before it). The number of lines read, or -2.
    int CommentOutDuplicate(const std::string& command);
    // CONFINQ: 1 when a line holds the command's program, 0 when none, -2 on error.
    int Holds(const std::string& command);
    // UPDATECONF: type 0 adds the record (fields joined by "::"), 1 deletes
    // the line of its program, others only rewrite the file. The number of
    // lines (an added one included), or -2.
    int Update(const std::string& record, int type);

private:
    struct Edit;
    int Finish(Edit& edit, int idRename);
    bool OpenTemp(Edit& edit, int idOpen);
    bool OpenSource(Edit& edit, int idOpen, const char* format);

    std::string path_;
    MonitorSystem& system_;
};

}  // namespace hvsvc
