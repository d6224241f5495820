#pragma once
// Numbers of the strings in the program's string table (app/strings.rc).

// Message kinds: each is also the id of its caption string.
enum MessageKind : int {
    KindError = 0,
    KindInformation = 1,
    KindSuccess = 2,
    KindAbout = 3,
    KindQuestion = 4,
};

enum StringId : int {
    IdsAboutText = 5,
    IdsSuffixMainProgram = 6,
    IdsSuffixDisplayFunctions = 7,
    IdsSuffixFileFunctions = 8,
    IdsSuffixCopiedFunctions = 9,
    IdsSuffixRegistryFunctions = 10,
    IdsWindowCreationFailed = 15,
    IdsOpenFailed = 16,
    IdsCantRead = 17,
    IdsNotAPackage = 18,
    IdsReadError = 20,
    IdsInflateInitError = 21,
    IdsCreateError = 22,
    IdsSizeDiffers = 23,
    IdsInflateError = 24,
    IdsInflateEndError = 25,
    IdsInvalidDirectory = 26,
    IdsUnsafeName = 27,
    IdsGoOnAfterFailures = 28, // holds %d for the count of failed files
    IdsChecksumDiffers = 29,
    IdsFilesExtracted = 30,
    IdsAlreadyExists = 31,
    IdsReallyQuit = 32,
    IdsRestartNeeded = 33,
    IdsStubHoldsNoData = 34,
    IdsWriteDiskFull = 35, // follows the file's path
    IdsWriteFailed = 36,   // follows the file's path
    IdsPathTooLong = 37,
    IdsSourceWritten = 38, // follows the .pkg's path
    IdsSourceFolder = 39,  // the folder chooser's title for Save source
    IdsPreviewNoWholeChecks = 40, // the preview in Explorer reads no package whole
    IdsPreviewStopped = 41,
    IdsPreviewFormat = 42,
    IdsInnerTooLarge = 60,
    IdsInnerTooDeep = 61,
    IdsSaveDiskFull = 62,        // follows the saved file's path
    IdsSaveFailed = 63,          // likewise
    IdsSaveOverOpenPackage = 64, // likewise
    IdsRegistryKey = 70,
    IdsNameOverwriteFiles = 71,
    IdsNameAskExit = 72,
    IdsNameDefaultDest = 73,
    IdsNameDestDir = 74,
    IdsNameSortFiles = 75,
    IdsNameWindowPlacement = 76,
    IdsPrefixBase = 80, // 80 + file type gives the list prefix (81 to 85)
    IdsColumnBase = 90, // 90 + column gives the file list's column title (90 to 94)
    IdsMenuExtractSelected = 95,
    IdsMenuCopy = 96,
    IdsMenuOpen = 97,
    IdsMenuSavePackage = 98,
    IdsMenuSaveSource = 99,
    IdsHeaderGroupBase = 100, // the header panel's four group boxes (100 to 103)
    IdsHeaderLabelBase = 110, // 110 + header field gives its label (110 to 137)
    IdsLanguageBase = 500,    // 500 + language code gives its name (codes 0 to 99)
};

// Answers of a question, as the message box returns them.
enum MessageAnswer : int {
    AnswerYes = 6,
    AnswerNo = 7,
};
