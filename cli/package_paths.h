#pragma once
// The packages a command works on: each argument that is a folder stands for
// the packages below it (*.sis and *.sisx, in any case, at any depth), sorted
// by path; any other argument is taken as the package it names.
#include <string>
#include <vector>

// Paths in and out are UTF-8. A folder that could not be read whole is among
// them, under its own path.
std::vector<std::string> findPackages(const std::vector<std::string>& arguments);
// For a path of findPackages that is a folder, what is said of it ("cannot be
// read: ..."); "" for any other path.
std::string unreadableFolderText(const std::string& path);

// Whether a file name ends in .sis or .sisx, in any case.
bool hasPackageExtension(const std::string& name);
