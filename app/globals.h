#pragma once
// The program's three long-lived objects and the header of the package opened last.
#include "display/display_functions.h"
#include "package/file_functions.h"
#include "package/format.h"
#include "settings/registry_functions.h"

extern RegistryFunctions gSettings;
extern DisplayFunctions gDisplay;
extern FileFunctions gFiles;
extern PackageHeader gHeader;

// The walk's outputs as the program wires them: list lines into the file list,
// stored files to disk.
WalkOutputs programWalkOutputs();
