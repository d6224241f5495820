#include "cli/command_line.h"

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
    InventoryOptions inventory;
    unsigned jobs = processorCount();
    std::string format = "jsonl";
};

void addJobs(CLI::App& command, Request& request) {
    command
        .add_option("-j,--jobs", request.jobs, "Packages worked on at once (default: processors)")
        ->check(CLI::PositiveNumber);
}

void addList(CLI::App& app, Request& request) {
    CLI::App* list = app.add_subcommand("list", "The package's file list, as the window shows it");
    list->add_option("PKG", request.list.package, "The package")->required();
    list->add_flag("-l,--long", request.list.columns,
                   "Also the columns: size, stored size, language, capabilities");
    list->add_flag("--json", request.list.json, "As one JSON object");
}

void addInfo(CLI::App& app, Request& request) {
    CLI::App* info = app.add_subcommand("info", "The package's header and details");
    info->add_option("PKG", request.info.package, "The package")->required();
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
    extract->add_option("PKG", request.extract.package, "The package")->required();
    extract->add_option("DEST", request.extract.destination, "The folder to extract into")
        ->required();
    extract->add_flag("--overwrite", request.extract.overwrite,
                      "Replace existing files (else they are kept, and counted)");
    extract->add_option("--select", request.extract.select,
                        "Only files whose install path matches (* and ?, any case)");
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
    return run(app, request);
}
