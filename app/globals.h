#pragma once
// The program's three long-lived objects.
#include "display/display_functions.h"
#include "package/extract/extract_host.h"
#include "package/file_functions.h"
#include "settings/registry_functions.h"

extern RegistryFunctions gSettings;
extern DisplayFunctions gDisplay;
extern FileFunctions gFiles;

// How extraction reaches the window: messages, progress and the folder chooser.
ExtractHost& windowExtractHost();

// The settings an extraction run takes at its start.
ExtractSettings extractSettings();
