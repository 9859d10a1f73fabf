// One cluster system as a box in the picture. The local system's figure also
// holds the paths that leave it: it loads them, polls their status, places
// their lines, selects them by mouse and keys, and creates and deletes them
// in the database. The document owns every system figure; the local figure's
// connected systems only refer to them.
#pragma once

#include "CHWMANNetwork.h"
#include "PathRecord.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace hwman {

// Keys the figure handles.
inline constexpr int kKeySpace = 0x20;
inline constexpr int kKeyUp = 0x26;
inline constexpr int kKeyDown = 0x28;

struct NewPath {
    std::string type;    // kSocket, kSerialPort, kSharedDisk
    std::string device;  // "TCPIP:<port>", the serial port, or the volume
    int baud = 0;
    int priority = 0;
    int interval = 0;
    int misses = 0;
};

class CHWMANSystem {
public:
    // Reads the system's state and stamp from the local database.
    CHWMANSystem(std::string name, const FigureServices& s);
    ~CHWMANSystem();
    CHWMANSystem(const CHWMANSystem&) = delete;
    CHWMANSystem& operator=(const CHWMANSystem&) = delete;

    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }

    // 'A' alive, 'D' and '0' dead, 'U' UNKNOWN; another letter changes nothing.
    void ApplyStateLetter(int letter);

    // Local figure: the systems it has paths to (not owned) and its paths.
    const std::vector<CHWMANSystem*>& Connected() const { return connected_; }
    const std::vector<std::unique_ptr<CHWMANNetwork>>& Paths() const { return paths_; }
    void AddConnected(CHWMANSystem* other);
    bool IsConnected(const CHWMANSystem* other) const;
    // Drops every path to other and other from the connected systems (before
    // the document destroys other's figure).
    void Forget(const CHWMANSystem* other);

    void LoadPaths(CHWMANSystem* other, const FigureServices& s);
    // True when the paths to other changed.
    bool PollPaths(CHWMANSystem* other, const FigureServices& s);
    bool HasPathTo(const CHWMANSystem* other) const;
    int CountPathsTo(const CHWMANSystem* other) const;
    bool HasAlivePathTo(const CHWMANSystem* other) const;
    CHWMANNetwork* SelectedPath() const;
    CHWMANNetwork* FocusedPath() const;

    void PlaceLines();
    void ClickSelect(int x, int y, const FigureServices& s);
    void Key(int key, const FigureServices& s);

    // 1 with the path made (out: the rectangle to repaint, empty for all);
    // 0 when the database refused it.
    int CreatePath(CHWMANSystem* destination, const NewPath& path, const FigureServices& s, LRect* out);
    // Deletes the selected path after the questions. 1 deleted, 0 the
    // database refused it, -1 the user said No.
    int DeletePath(CHWMANNetwork* path, const FigureServices& s, LRect* out);

    // A path record of net_list as a new figure to one of the connected
    // systems; null when the record is malformed or names no such system.
    std::unique_ptr<CHWMANNetwork> PathFromRecord(const std::string& record) const;
    void InsertPath(std::unique_ptr<CHWMANNetwork> path);

    panelaid::DbStamp stamp;
    LRect rect;
    SystemState state = SystemState::Unknown;
    bool redraw = true;
    bool seen = true;
    // The bus line of several connected systems.
    int busX = 0, busTop = 0, busBottom = 0;

private:
    CHWMANSystem* ConnectedNamed(std::string_view name) const;
    static std::unique_ptr<CHWMANNetwork> PathFrom(const PathRecord& record, CHWMANSystem* destination);
    void RemovePath(const CHWMANNetwork* path);
    bool InSystemList(const std::string& name, const FigureServices& s) const;

    std::string name_;
    std::vector<std::unique_ptr<CHWMANNetwork>> paths_;
    std::vector<CHWMANSystem*> connected_;
    panelaid::Records records_;
};

}  // namespace hwman
