#include "app/main_dialog.h"

// Opens the package details window.
void detailsCommand(HWND) {}
