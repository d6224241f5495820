#pragma once
// The display object: messages from the string table, the header panel, the file
// and languages lists, and the two pickers. Text handed in is UTF-8; it reaches
// the windows through the wide API so that names show right on any code page.
#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/paths.h"
#include "display/file_rows.h"
#include "package/file_functions.h"
#include "package/view/header_view.h"

class DisplayFunctions {
  public:
    HWND mainWindow = nullptr;      // owner of every message box and picker
    HWND languagesDialog = nullptr; // set each time the languages dialog opens
    HWND fileList = nullptr;        // the template's list view, set up by createFileList
    // The rows of the file list, and whether a package is listed sorted by its lines.
    FileRows fileRows;
    bool sortFilesByLine = false;

    // Messages (kind, main string, suffix string or 0, prefix text or null);
    // returns what the message box returned.
    int showMessage(int kind, int textId, int suffixId, const char* prefixText);
    // A question whose string holds "%d" for `count`; returns the answer.
    int showCountQuestion(int textId, long count);

    // Header panel: every field's box, the integrity pair among them; empty
    // boxes clear it.
    void showHeader(const HeaderBoxes& boxes);
    void formatNumber(const void* value, int controlId, bool hex, bool sixteenBit);

    // File list: columns, rows and what is selected.
    void createFileList(HWND dialog, bool sorted);
    // Lists the lines of `package`, which the list keeps for as long as it shows them.
    void showFiles(std::shared_ptr<const Package> package);
    void clearFileList();
    // WM_NOTIFY from the file list: a cell's text, a click on a column's
    // header. True when handled.
    bool onFileListNotify(const NMHDR& header);
    // Sorts the rows by `column`; by the column they are sorted by, reversed.
    void sortFiles(int column);
    // The first column takes the width the others leave.
    void fitFileColumns();
    void scaleFileColumns(UINT fromDpi, UINT toDpi);
    // The lines of the selected rows, in package order.
    std::vector<uint32_t> selectedEntries() const;
    // The line of the row with the focus; false when no row has it.
    bool focusedEntry(uint32_t* entry) const;
    void selectAllFiles();
    // Selects the row of line `entry` alone, gives it the focus and shows it.
    void focusEntry(uint32_t entry);
    // The selected rows as text: a line each, their cells separated by tabs.
    std::wstring selectedRowsText() const;

    // Languages list.
    void addLanguage(uint16_t code); // names for codes below 100
    // The languages of `package`, in package order: the older format names
    // codes below 100 only, Symbian OS 9 every code that has a name.
    void addLanguagesOf(const Package& package);
    // One step of the bar, painted now unless it was painted a moment ago.
    void stepProgress();
    // Paints the bar as it stands, at the end of an extraction.
    void paintProgress();

    // Pickers: the folder chosen (UTF-8) into `folder`, the package into `buffer`
    // (kPathSize bytes); false, and nothing changed, when cancelled.
    bool chooseFolder(const char* title, std::string* folder);
    bool choosePackage(char* buffer);
    // The Save As dialog for a package, `suggested` (UTF-8) as its file name;
    // it asks before a file is replaced.
    bool choosePackageToSave(const char* suggested, char* buffer);

  private:
    DWORD lastProgressPaint_ = 0; // GetTickCount of the bar's last paint by stepProgress
};

// The main dialog's box of a header field.
int headerFieldBox(HeaderField field);

// What the languages dialog lists and where: passed as the dialog's creation
// parameter (DialogBoxParamW).
struct LanguagesDialogSetup {
    DisplayFunctions* display;
    const FileFunctions* files; // its open package's languages are listed
};

// Dialog procedure of the languages dialog.
INT_PTR CALLBACK languagesDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
