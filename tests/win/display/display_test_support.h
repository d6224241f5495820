#pragma once
// What the display tests share: the program's real dialogs made from its own
// templates, list read-back, and the real packages with their expected texts.
#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/json_reader.h"

class DisplayFunctions;

// A dialog of the program's templates, modeless and hidden, with a procedure
// that only hands the file list's notifications to `display` when one is
// given; destroyed with the object.
class TestDialog {
  public:
    explicit TestDialog(int templateId, DisplayFunctions* display = nullptr);
    ~TestDialog();
    TestDialog(const TestDialog&) = delete;
    TestDialog& operator=(const TestDialog&) = delete;
    HWND get() const { return window_; }

  private:
    HWND window_ = nullptr;
};

#include "tests/support/real_packages.h"

using testsupport::realPackageFolder;
using testsupport::realPackageNames;
std::string readWholeFile(const std::string& path);

// The expected results of real package `name` (its JSON file), as a parsed tree.
testsupport::JsonValue expectedFor(const std::string& name);
