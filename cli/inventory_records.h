#pragma once
// The inventory's records: one per package, and with files one per file it
// writes, each a row of the same columns (README, "Command-line tool").
#include <string>
#include <utility>
#include <vector>

// A column's value: a number or a text.
struct Field {
    bool number = false;
    std::string text;
};

using Record = std::vector<Field>; // one per column, in kInventoryColumns' order

extern const std::vector<std::string> kInventoryColumns;

// The records of the package at `path`, read and checked (`now` judges its
// certificates): its own first, then with `files` one for each of its files.
// Empty when Ctrl+C stopped it part way.
std::vector<Record> inventoryRecords(const std::string& path, bool files, int64_t now,
                                     bool* intact);

// The record of a folder that could not be read whole: `said` is why.
Record folderRecord(const std::string& path, const std::string& said);

// A record as one line of JSON, and as one CSV row (RFC 4180).
std::string jsonRecord(const Record& record);
std::string csvRecord(const Record& record);
