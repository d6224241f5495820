#pragma once
// Runs the real vorandeck-cli as a child process, as a shell would, and keeps
// what it printed and its exit status.
#include <string>
#include <vector>

struct CliRun {
    int status = -1;
    std::string out; // as printed: UTF-8
    std::string err;
};

// `arguments` follow the program's name; UTF-8.
CliRun runCli(const std::vector<std::string>& arguments);
