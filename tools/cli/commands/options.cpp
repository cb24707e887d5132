#include <CLI/CLI.hpp>

#include "commands/commands.hpp"

namespace cli {

void add_dimension_flags(CLI::App* sub, bool& two_d, bool& three_d, const std::string& help_2d,
                         const std::string& help_3d) {
    auto* type = sub->add_option_group("type");
    type->add_flag("--2d", two_d, help_2d);
    type->add_flag("--3d", three_d, help_3d);
    type->require_option(1);
}

}  // namespace cli
