#include "cli/command_line.h"

#include <filesystem>
#include <iostream>
#include <sstream>

#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/console.h"
#include "cli/ordered_jobs.h"
#include "common/version.h"

namespace {

constexpr const char* kVersionText = "vorandeck-cli " VORANDECK_VERSION "\nLicence: MIT";

struct Request {
    ListOptions list;
    InfoOptions info;
    CheckOptions check;
    ExtractOptions extract;
    SourceOptions source;
    InventoryOptions inventory;
    unsigned jobs = processorCount() < 64 ? processorCount() : 64;
    std::string format = "jsonl";
};

// More threads than this only cost memory: the work is reading and inflating.
constexpr unsigned kMostJobs = 64;

// A number of jobs from 1 to kMostJobs, said in one line when it is not.
std::string jobsError(const std::string& text) {
    const std::string most = std::to_string(kMostJobs);
    if (text.empty() || text.size() > 2 ||
        text.find_first_not_of("0123456789") != std::string::npos || std::stoul(text) < 1 ||
        std::stoul(text) > kMostJobs) {
        return "-j takes a number of jobs from 1 to " + most;
    }
    return "";
}

// A package must be a file that is there: a folder, a FIFO, a device or
// standard input is refused before anything is opened, and never waited on.
std::string packageError(const std::string& path) {
    if (path.empty()) {
        return "no package named (an empty path)";
    }
    if (path == "-") {
        return "standard input is not read: name a package file";
    }
    std::error_code error;
    const std::filesystem::file_status status =
        std::filesystem::status(std::filesystem::u8path(path), error);
    if (status.type() == std::filesystem::file_type::not_found) {
        return path + ": no such file";
    }
    if (status.type() == std::filesystem::file_type::directory) {
        return path + " is a folder, not a package";
    }
    if (status.type() != std::filesystem::file_type::regular) {
        return path + " is not a regular file, so it is not read";
    }
    return "";
}

std::string destinationError(const std::string& path) {
    if (path.empty()) {
        return "no destination folder named (an empty path)";
    }
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::u8path(path);
    if (std::filesystem::exists(folder, error) && !std::filesystem::is_directory(folder, error)) {
        return path + " is a file, not a folder";
    }
    return "";
}

const CLI::Validator kPackageFile(packageError, "FILE");
const CLI::Validator kDestinationFolder(destinationError, "FOLDER");

void addJobs(CLI::App& command, Request& request) {
    command
        .add_option("-j,--jobs", request.jobs,
                    "Packages worked on at once, 1 to 64 (default: processors, at most 64)")
        ->check(CLI::Validator(jobsError, "1-64"));
}

void addList(CLI::App& app, Request& request) {
    CLI::App* list = app.add_subcommand("list", "The package's file list, as the window shows it");
    list->add_option("PKG", request.list.package, "The package")->required()->check(kPackageFile);
    list->add_flag("-l,--long", request.list.columns,
                   "Also the columns: size, stored size, language, capabilities");
    list->add_flag("--json", request.list.json, "As one JSON object");
}

void addInfo(CLI::App& app, Request& request) {
    CLI::App* info = app.add_subcommand("info", "The package's header and details");
    info->add_option("PKG", request.info.package, "The package")->required()->check(kPackageFile);
    info->add_flag("--json", request.info.json, "As one JSON object");
}

void addCheck(CLI::App& app, Request& request) {
    CLI::App* check = app.add_subcommand(
        "check", "Checks packages whole without writing: checksums, files, signatures");
    check->add_option("PATH", request.check.paths, "Packages, or folders to search for them")
        ->required();
    check->add_flag("--json", request.check.json, "One JSON object per line");
    addJobs(*check, request);
}

void addExtract(CLI::App& app, Request& request) {
    CLI::App* extract =
        app.add_subcommand("extract", "Extracts the package's files below a folder");
    extract->add_option("PKG", request.extract.package, "The package")
        ->required()
        ->check(kPackageFile);
    extract->add_option("DEST", request.extract.destination, "The folder to extract into")
        ->required()
        ->check(kDestinationFolder);
    extract->add_flag("--overwrite", request.extract.overwrite,
                      "Replace existing files (else they are kept, and counted)");
    extract->add_option("--select", request.extract.select,
                        "Only files whose install path matches (* and ?, any case)");
}

void addSource(CLI::App& app, Request& request) {
    CLI::App* source = app.add_subcommand(
        "source", "Writes the package's source (.pkg) and the files it names below a folder");
    source->add_option("PKG", request.source.package, "The package")
        ->required()
        ->check(kPackageFile);
    source->add_option("DEST", request.source.destination, "The folder to write into")
        ->required()
        ->check(kDestinationFolder);
    source->add_flag("--overwrite", request.source.overwrite,
                     "Replace existing files (else they are kept, and counted)");
}

void addInventory(CLI::App& app, Request& request) {
    CLI::App* inventory =
        app.add_subcommand("inventory", "A record per package (and per file) for a spreadsheet");
    inventory->add_option("PATH", request.inventory.paths, "Packages, or folders to search")
        ->required();
    inventory->add_option("--format", request.format, "jsonl (JSON Lines) or csv")
        ->check(CLI::IsMember({"jsonl", "csv"}));
    inventory->add_flag("--files", request.inventory.files, "Also a record per file");
    addJobs(*inventory, request);
}

int run(const CLI::App& app, Request& request) {
    request.check.jobs = request.jobs;
    request.inventory.jobs = request.jobs;
    request.inventory.format =
        request.format == "csv" ? InventoryFormat::Csv : InventoryFormat::JsonLines;
    if (app.got_subcommand("list")) {
        return listCommand(request.list);
    }
    if (app.got_subcommand("info")) {
        return infoCommand(request.info);
    }
    if (app.got_subcommand("check")) {
        return checkCommand(request.check);
    }
    if (app.got_subcommand("extract")) {
        return extractCommand(request.extract);
    }
    if (app.got_subcommand("source")) {
        return sourceCommand(request.source);
    }
    return inventoryCommand(request.inventory);
}

} // namespace

int runCommandLine(const std::vector<std::string>& arguments) {
    CLI::App app("Lists, checks and extracts SIS installation packages of EPOC and Symbian phones.",
                 "vorandeck-cli");
    app.require_subcommand(1);
    // A path such as /data/packages is no option, on Windows either.
    app.allow_windows_style_options(false);
    app.set_version_flag("--version", kVersionText);
    Request request;
    addList(app, request);
    addInfo(app, request);
    addCheck(app, request);
    addExtract(app, request);
    addSource(app, request);
    addInventory(app, request);
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    if (!reversed.empty()) {
        reversed.pop_back(); // the program's name
    }
    std::ostringstream out, err;
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error, out, err);
        writeText(Stream::Out, out.str());
        writeText(Stream::Err, err.str());
        return status == 0 ? kExitIntact : kExitUsage;
    }
    const int status = run(app, request);
    if (outputFailed()) {
        // Standard error may still take the reason when standard output failed.
        writeText(Stream::Err, "vorandeck-cli: the output could not be written whole\n");
        return status == kExitUsage || status == kExitStopped ? status : kExitDamaged;
    }
    return status;
}
