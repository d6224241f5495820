#pragma once
// Text out to the console or to whatever stands in its place: UTF-8 in a file
// or a pipe, and on a Windows console its UTF-16 through the console's own call.
#include <string>

enum class Stream { Out, Err };

// Sets the console up for UTF-8, where there is a console to set up.
void prepareConsole();
void writeText(Stream stream, const std::string& utf8);
// Whether any write to standard output or standard error failed (a full disk,
// a closed pipe): a run that lost output must not end as if it had not.
bool outputFailed();
// Whether standard error is a terminal, where a progress line belongs.
bool errorIsTerminal();
