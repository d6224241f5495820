#pragma once
// What extraction needs from the rest of the program: messages, the progress
// bar, the folder chooser and the settings. Every pointer may be null: no
// message is shown (a question is answered No, the question whether to go on
// Yes), no folder is chosen, and the settings read as all zero.
#include <cstddef>
#include <cstdint>

#include "common/paths.h"

struct ExtractSettings {
    uint32_t overwriteFiles; // not 0: replace existing files without asking
    uint32_t defaultDest;    // 500 next to the package, 501 ask once per walk, 502 destDir
    char destDir[kPathSize]; // UTF-8
};

struct ExtractHost {
    void* context;
    // Returns the answer: 6 (Yes) or 7 (No) for a question.
    int (*showMessage)(void* context, int kind, int textId, int suffixId, const char* prefix);
    void (*stepProgress)(void* context);
    // Asks whether to go on after `failures` files could not be extracted;
    // returns the answer, 6 (Yes) or 7 (No).
    int (*askToGoOn)(void* context, int textId, int32_t failures);
    // Fills `folder` (UTF-8) and returns true, or returns false when cancelled.
    bool (*chooseFolder)(void* context, const char* title, char* folder, size_t folderSize);
    // Read afresh for every file, so a change in the settings applies to the next one.
    void (*readSettings)(void* context, ExtractSettings* out);
    // The folder chosen for the walk in progress (DefaultDest 501); it serves
    // every later file of the same walk. Filled through chooseFolder.
    char chosenFolder[kPathSize];
};
