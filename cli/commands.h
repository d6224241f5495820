#pragma once
// The commands of vorandeck-cli; each returns the program's exit status:
// 0 when every package is intact, 1 when any is damaged or not a package,
// 130 when Ctrl+C stopped it.
#include <string>
#include <vector>

constexpr int kExitIntact = 0;
constexpr int kExitDamaged = 1;
constexpr int kExitUsage = 2;
constexpr int kExitStopped = 130;

// Makes `folder` and those it lies in; when it cannot, says why and returns false.
bool makeDestination(const std::string& folder);

struct ListOptions {
    std::string package;
    bool columns = false; // --long
    bool json = false;
};

struct InfoOptions {
    std::string package;
    bool json = false;
};

struct CheckOptions {
    std::vector<std::string> paths;
    bool json = false;
    unsigned jobs = 1;
};

struct ExtractOptions {
    std::string package;
    std::string destination;
    bool overwrite = false;
    std::vector<std::string> select; // wildcard patterns; none: every file
};

struct SourceOptions {
    std::string package;
    std::string destination;
    bool overwrite = false;
};

enum class InventoryFormat { JsonLines, Csv };

struct InventoryOptions {
    std::vector<std::string> paths;
    InventoryFormat format = InventoryFormat::JsonLines;
    bool files = false;
    unsigned jobs = 1;
};

int listCommand(const ListOptions& options);
int infoCommand(const InfoOptions& options);
int checkCommand(const CheckOptions& options);
int extractCommand(const ExtractOptions& options);
int inventoryCommand(const InventoryOptions& options);
int sourceCommand(const SourceOptions& options);
