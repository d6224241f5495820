#pragma once
// The command line read into one command and run; returns the exit status.
#include <string>
#include <vector>

// `arguments` are UTF-8, the program's name first.
int runCommandLine(const std::vector<std::string>& arguments);
