#include <fmt/format.h>

#include <CLI/CLI.hpp>

#include "commands/commands.hpp"
#include "failure.hpp"
#include "seabed.h"

namespace cli {

Command add_codes(CLI::App& app) {
    auto* sub = app.add_subcommand("codes", "list the status codes and their messages");
    return {sub, [](const std::string&) {
                // From the library's own table, which the tool links: listing
                // the codes needs no loaded library.
                fmt::print("code,message\n");
                for (std::int32_t c = 0; c <= SEABED_STATUS_BAD_NODE_COUNT; ++c) fmt::print("{},{}\n", c, status_message(c));
            }};
}

}  // namespace cli
