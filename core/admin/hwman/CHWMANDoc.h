// The hardware console's document: the system figures (the local one
// first), the zoom and the drawing's extents. It loads the systems from the
// local database, finds out at each refresh whether anything changed, brings
// the figures up to date and lays them out, and carries the shutdown
// strategy.
#pragma once

#include "CHWMANSystem.h"
#include "ShellFrame.h"
#include "WindowSettings.h"

#include <memory>
#include <vector>

namespace hwman {

inline constexpr const char* kShutdownFlag = "shutdown_switchover";
inline constexpr int kKeyAdd = 107;
inline constexpr int kKeySubtract = 109;
inline constexpr int kMinHeight = 1200;

// Hints passed to the views: 0 nothing structural, 1 paths changed, 2
// systems added or removed.
inline constexpr int kHintSystems = 2;

class DocumentHost {
public:
    virtual ~DocumentHost() = default;
    virtual void UpdateAllViews(int hint) = 0;
    virtual void BeginWait() {}
    virtual void EndWait() {}
    virtual void SetTitle(const std::string&) {}
    // The program cannot go on (exit code).
    virtual void Abort(int code) = 0;
    // The shutdown strategy dialog: true on OK with the choice (1 Switchover).
    virtual bool AskShutdownStrategy(int initial, int* choice) = 0;
};

class CHWMANDoc : public panelaid::ShellDocument {
public:
    CHWMANDoc(FigureServices services, panelaid::WindowSettings& windows, DocumentHost& host);
    ~CHWMANDoc() override;

    void OnNewDocument();
    void Reload() override;
    void Refresh() override;
    void Closing() override;

    void Load();
    bool ChangeTest();
    void UpdateSystemSet();
    void PollAllPaths();
    void Layout();
    void UpdateExtents(int right, int bottom);
    // 1 when the zoom changed.
    int ZoomKey(int key);
    void AfterDelete();
    // The create command once the dialog said OK: defines a new destination
    // (dead) first. 1 with the path made; *repaint empty means repaint all.
    int CreatePath(const std::string& destination, const NewPath& path, bool* systemCreated, LRect* repaint);
    // The delete command on the selected path: 1 deleted, 0 refused by the
    // database (reported), -1 nothing done.
    int DeleteSelectedPath(LRect* repaint);
    void ShutdownStrategy();

    const std::vector<std::unique_ptr<CHWMANSystem>>& Systems() const { return systems_; }
    CHWMANSystem* Local() const { return systems_.empty() ? nullptr : systems_.front().get(); }
    CHWMANSystem* Find(std::string_view name) const;
    // Takes a new figure (made by the view's create command).
    CHWMANSystem* Append(std::unique_ptr<CHWMANSystem> figure);
    CHWMANNetwork* SelectedPath() const { return Local() ? Local()->SelectedPath() : nullptr; }

    const FigureServices& Services() const { return services_; }
    int Zoom() const { return zoom_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    bool ExtentsChanged() const { return extentsChanged_; }
    void ClearExtentsChanged() { extentsChanged_ = false; }
    int Hint() const { return hint_; }
    // The status text after work: the initialising text or "Ready".
    const std::string& IdleText() const;

private:
    void Remove(CHWMANSystem* figure);
    // Whether the list names every figure and no other system (the local
    // figure may go unnamed); leaves every figure seen.
    bool ListNamesTheFigures(const panelaid::Records& records);
    // Reads the figure's stamp; true when it moved.
    bool ReadStamp(CHWMANSystem& figure);
    // Find, trying *hint first; *hint moves past the match.
    CHWMANSystem* Find(std::string_view name, std::size_t* hint) const;

    FigureServices services_;
    panelaid::WindowSettings& windows_;
    DocumentHost& host_;
    std::vector<std::unique_ptr<CHWMANSystem>> systems_;
    int zoom_ = 80;
    int width_ = 1200;
    int height_ = 900;
    bool extentsChanged_ = false;
    int hint_ = 0;
    panelaid::Records records_;
    // The figures were found to be the list's systems when the local stamp
    // stood at matchedAt_; any change to the figures forgets it.
    bool matchedList_ = false;
    panelaid::DbStamp matchedAt_;
};

}  // namespace hwman
