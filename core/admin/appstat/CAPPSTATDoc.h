// The application status console's model: one tree per root resource of the
// local database, the database stamps that tell when the picture must be
// read again, the grid the trees sit on with the zoom, and the tree
// operations of the view's commands, mouse and keys. It only reads the
// database.
#pragma once

#include "CAPPSTATRootResource.h"
#include "ShellFrame.h"
#include "StatusDisplay.h"
#include "WindowSettings.h"

#include <memory>
#include <string>
#include <vector>

namespace appstat {

inline constexpr const char* kConsoleTitle = "Holdervane: Application Status";
inline constexpr const char* kReadyText = "Ready";
inline constexpr const char* kInitializingText = "Holdervane is initializing.";

// What the document asks of the program's window.
class DocHost {
public:
    virtual ~DocHost() = default;
    // Repaints the views after the tree list changed (layout or states).
    virtual void UpdateAllViews() = 0;
    virtual void SetWaitCursor(bool on) = 0;
    // The status bar's own text (the immediate painter does not keep its).
    virtual void SetStatusText(const std::string& text) = 0;
    virtual void Beep() = 0;
};

struct DocServices {
    panelaid::ConsoleDatabase& db;
    panelaid::WindowSettings& settings;
    // Paints a text into the status bar at once.
    panelaid::StatusDisplay& painter;
};

// A tree's place in the fill order: (0,0), then shell by shell the new
// column top-down, the new row left to right, and the corner.
struct GridPlace {
    int column = 0;
    int row = 0;
    bool operator==(const GridPlace&) const = default;
};
GridPlace GridPlaceOf(std::size_t index);

// The console's shell checks the service at start and at each refresh (and
// ends the program when it has gone); the document reads the database.
class CAPPSTATDoc : public panelaid::ShellDocument {
public:
    static constexpr int kMinGridIndex = 4;

    CAPPSTATDoc(DocServices services, DocHost& host);

    // A new document: the stored zoom (100 when none, or one the console
    // does not offer) and the scroll size.
    void OnNewDocument();
    // Reads the trees once, at start.
    void Load();
    // The periodic refresh: reads again what changed.
    void Refresh() override;
    void Reload() override { Load(); }
    void Closing() override { OnCloseDocument(kConsoleTitle); }
    // True when a stamp moved or the set of systems changed.
    bool ChangeTest();
    void OnCloseDocument(const std::string& windowTitle);

    // Tree operations; each marks the trees it changes for repainting.
    void ToggleAt(int x, int y);
    void SelectAt(int x, int y);
    bool AnyExpanded() const;
    bool AnySelectedExpanded() const;
    bool AnyCollapsed() const;
    bool AnySelectedCollapsed() const;
    void CollapseSelected();
    void CollapseAll();
    void ExpandSelected();
    void ExpandAll();
    void ToggleSelected();
    void ToggleFocusedSelection();
    // Moves the focus mark by a column or a row; beeps without a neighbour.
    void MoveFocus(int columns, int rows);
    void ZoomIn();
    void ZoomOut();

    const std::vector<std::unique_ptr<CAPPSTATRootResource>>& Trees() const { return trees_; }
    CAPPSTATRootResource* FocusedTree() const;
    const std::vector<std::unique_ptr<CAPPSTATSystem>>& Stamps() const { return stamps_; }
    const std::string& Title() const { return title_; }
    int Zoom() const { return zoom_; }
    int ScrollWidth() const { return scrollWidth_; }
    int ScrollHeight() const { return scrollHeight_; }
    int LeftMargin() const { return leftMargin_; }
    int TopMargin() const { return topMargin_; }
    bool LayoutChanged() const { return layoutChanged_; }
    void ClearLayoutChanged() { layoutChanged_ = false; }

private:
    void LoadTrees();
    void RebuildStamps();
    void RefreshTrees();
    void Layout();
    void ComputeScrollSize(int* width, int* height) const;
    void SizeChangeTest();
    const std::string& IdleStatusText();

    DocServices services_;
    DocHost& host_;
    std::vector<std::unique_ptr<CAPPSTATRootResource>> trees_;
    std::vector<std::unique_ptr<CAPPSTATSystem>> stamps_;
    // The system list's buffer, kept between refreshes.
    panelaid::Records systemRecords_;
    std::string title_;
    int scrollWidth_ = 0;
    int scrollHeight_ = 0;
    int rowPitch_ = 230;
    int columnGap_ = 50;
    int boxWidth_ = 80;
    int boxHeight_ = 50;
    int leftMargin_ = 50;
    int topMargin_ = 50;
    int zoom_ = 100;
    bool layoutChanged_ = false;
    bool treesChanged_ = false;
};

}  // namespace appstat
