#pragma once
// The packages a command works on: each argument that is a folder stands for
// the packages below it (*.sis and *.sisx, in any case, at any depth), sorted
// by path; any other argument is taken as the package it names.
#include <string>
#include <vector>

// A path found: a package, or a folder that could not be read whole, with
// what is said of it ("cannot be read: ...").
struct FoundPath {
    std::string path;
    std::string unreadable; // "" for a package
    bool operator<(const FoundPath& other) const { return path < other.path; }
};

// Paths in and out are UTF-8.
std::vector<FoundPath> findPackages(const std::vector<std::string>& arguments);

// Whether a file name ends in .sis or .sisx, in any case.
bool hasPackageExtension(const std::string& name);
