#pragma once
// What a person opens a package to learn, beyond its files: who made it, for
// which phones, who signed it and until when, what it may do, and what follows
// for installing it. Built from the package model alone; nothing walks the
// package again but the first bytes of its executables.
#include <cstdint>
#include <string>
#include <vector>

#include "package/package.h"

struct DetailLine {
    std::string label;
    std::string value;
};

struct DetailSection {
    std::string heading;
    std::vector<DetailLine> lines;
};

// A certificate the package carries, as it lies in the package (DER).
struct CarriedCertificate {
    size_t chain; // from 1, in the package's order
    size_t index; // from 1: the signer's first
    std::vector<unsigned char> der;
};

struct PackageDetails {
    std::vector<DetailSection> sections;
    std::vector<CarriedCertificate> certificates;
};

// `now` is the time to judge certificates' validity against, in seconds since
// 1970-01-01 UTC.
PackageDetails describePackage(const Package& package, int64_t now);

// The details as plain text: a heading per section, then one "Label: value" line
// per item, and an empty line between sections.
std::string detailsText(const PackageDetails& details);

// A date and time (UTC) as "2008-07-25 14:03:00", and a date alone.
std::string dateTimeText(int64_t seconds);
std::string dateText(int64_t seconds);
