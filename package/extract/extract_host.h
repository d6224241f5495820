#pragma once
// What an extraction run needs from whoever runs it: messages, the question
// whether to go on, the progress bar and the folder chooser. The window
// implements it once; tests, the fuzzer and the command line implement it too,
// and the command line also stops runs.
#include <cstdint>
#include <string>

class ExtractHost {
  public:
    // Shows a message (kind, main string, suffix string or 0, prefix text or
    // null); for a question returns the answer, 6 (Yes) or 7 (No).
    virtual int showMessage(int kind, int textId, int suffixId, const char* prefix) = 0;
    // Asks whether to go on after `failures` files could not be extracted;
    // returns 6 (Yes) or 7 (No).
    virtual int askToGoOn(int textId, int32_t failures) = 0;
    virtual void stepProgress() = 0;
    // Lets the user pick a folder (UTF-8); false when cancelled.
    virtual bool chooseFolder(const char* title, std::string* folder) = 0;
    // Whether the run is to stop now: it asks between pieces of a file, and
    // removes the file it was writing. The window never stops a run this way.
    virtual bool stopRequested() { return false; }

  protected:
    ~ExtractHost() = default;
};

// The settings a run takes at its start.
struct ExtractSettings {
    bool overwriteFiles = false; // replace existing files without asking
    uint32_t defaultDest = 500;  // 500 next to the package, 501 ask once per run, 502 destDir
    std::string destDir;         // UTF-8
};
