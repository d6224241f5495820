#pragma once
// The window the preview handler puts into Explorer's preview pane: the
// package's summary, read-only, above its file list, a virtual list view like
// the main window's. It follows the system's colours, the window's DPI and the
// pane's size.
#include <windows.h>

#include <memory>
#include <string>

#include "display/file_rows.h"

class PreviewPane {
  public:
    PreviewPane() = default;
    ~PreviewPane();
    PreviewPane(const PreviewPane&) = delete;
    PreviewPane& operator=(const PreviewPane&) = delete;

    // Creates the pane in `parent` over `rect`, showing `summary` (UTF-8) and,
    // when there is a package, its lines. False when no window could be made.
    bool create(HWND parent, const RECT& rect, const std::string& summary,
                std::shared_ptr<const Package> package);
    void destroy();
    HWND window() const { return window_; }
    void setParent(HWND parent, const RECT& rect);
    void move(const RECT& rect);
    void focus();

  private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void createChildren(const std::string& summary);
    void addColumns();
    void applyFont();
    void layout();
    bool onListNotify(const NMHDR& header);

    HWND window_ = nullptr;
    HWND summary_ = nullptr;
    HWND list_ = nullptr;
    HFONT font_ = nullptr;
    FileRows rows_;
};

// The DLL's module, for the pane's window class.
extern HINSTANCE g_shellModule;
