// seabed: the command-line tool. Every seabed operation goes through the
// shared library's exports, looked up by name as a host does; the tool itself
// only reads and writes files and formats results. The subcommands live in
// commands/; this file parses the command line and turns failures into exit
// codes.
#include <fmt/format.h>

#include <CLI/CLI.hpp>
#include <cstdio>

#include "commands/commands.hpp"
#include "failure.hpp"
#include "seabed.h"

namespace cli {
namespace {

int run(int argc, char** argv) {
    CLI::App app{"seabed: build, inspect, query, export and draw seabed files through the seabed library"};
    app.require_subcommand(1);
    app.footer(
        "Exit codes: 0 success; 1 the tool failed (unreadable, damaged or bad input, unwritable output); 3 the "
        "library reported a non-zero status (the message names it; seabed codes lists them all); 64 bad command "
        "line.");
    app.set_version_flag("--version", fmt::format("seabed {}.{}", SEABED_VERSION_MAJOR, SEABED_VERSION_MINOR));
    std::string library_option;
    app.add_option("--library", library_option,
                   "the shared library to use (default: SEABED_LIBRARY, then the installed library)");
    const Command commands[] = {add_create_test(app), add_import(app), add_generate(app), add_info(app),
                                add_query(app),       add_export(app), add_plot(app),     add_codes(app)};
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int rc = app.exit(e);
        return rc == 0 ? 0 : kExitUsage;
    }
    for (const auto& command : commands)
        if (command.app->parsed()) command.run(library_option);
    return 0;
}

}  // namespace
}  // namespace cli

int main(int argc, char** argv) {
    // Messages start with the subcommand, as "seabed query: ...".
    std::string command = "seabed";
    for (int i = 1; i < argc; ++i)
        if (argv[i][0] != '-') {
            command += std::string(" ") + argv[i];
            break;
        }
    try {
        return cli::run(argc, argv);
    } catch (const cli::Failure& e) {
        std::fflush(stdout);
        fmt::print(stderr, "{}: {}\n", command, e.what());
        return e.exit_code();
    } catch (const std::exception& e) {
        fmt::print(stderr, "{}: {}\n", command, e.what());
        return cli::kExitToolFailure;
    }
}
