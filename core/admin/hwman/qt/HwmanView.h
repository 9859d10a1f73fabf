// The hardware console's view: draws the document, turns clicks and keys
// into selection, focus and zoom, and carries the Comm Path and Options
// commands (create, delete, attributes, shutdown strategy, view log). It is
// the document's host: updates, the wait cursor and the strategy dialog.
#pragma once

#include "CHWMANDoc.h"
#include "Launcher.h"
#include "PathResources.h"

#include <QAbstractScrollArea>

#include <functional>
#include <memory>

namespace hwman {

class HwmanView : public QAbstractScrollArea, public DocumentHost {
    Q_OBJECT
public:
    HwmanView(const FigureServices& services, panelaid::WindowSettings& windows, PathResources& resources,
              panelaid::Launcher& launcher, QWidget* parent = nullptr);
    ~HwmanView() override;

    CHWMANDoc& Doc() { return *doc_; }
    // The title shown for the document ("SYSA").
    void OnTitle(std::function<void(const std::string&)> f) { onTitle_ = std::move(f); }
    // Opens the help of a help id (the dialogs' Help buttons).
    void OnHelp(std::function<void(int)> f) { help_ = std::move(f); }
    double Dpi() const;
    QPoint ToDevice(int x, int y) const;

    // Commands.
    void CreateCommPath();
    void DeleteCommPath();
    void PathAttributes();
    void ShutdownStrategy() { doc_->ShutdownStrategy(); }
    void ViewLog();
    bool CreateEnabled() const;
    bool DeleteEnabled() const;
    bool AttributesEnabled() const;
    // Runs a key as the view's key handler does (Windows key codes).
    void Key(int key);
    void ClickAt(const QPoint& devicePoint);

    // DocumentHost
    void UpdateAllViews(int hint) override;
    void BeginWait() override;
    void EndWait() override;
    void SetTitle(const std::string& title) override;
    void Abort(int code) override;
    bool AskShutdownStrategy(int initial, int* choice) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void ResetScrollSizes();
    QPoint Scroll() const;

    FigureServices services_;
    PathResources& resources_;
    panelaid::Launcher& launcher_;
    std::unique_ptr<CHWMANDoc> doc_;
    std::function<void(const std::string&)> onTitle_;
    std::function<void(int)> help_;
};

}  // namespace hwman
