#pragma once
// Ctrl+C asks the tool to stop: the run in progress removes the file it was
// writing, no further package is started, and what is done is reported.

// From now on Ctrl+C (and a request to terminate) asks to stop rather than killing.
void watchForStop();
bool stopRequested();
